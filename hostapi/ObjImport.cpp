#include "LineReader.h"
#include "MeshData.h"
#include "ObjFile.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace {

constexpr int kMostPolygonVertices = 255;

// One face corner as numbered in the file, from 0: its vertex and texture coordinate
// (-1 for none).
struct ObjCorner {
    int vertex;
    int texcoord;
};

// What a file defines, in file order, with every index resolved and checked.
struct ObjContent {
    std::vector<MPoint> points;
    std::vector<float> u, v;
    std::vector<ObjCorner> corners;
    // First corner of every face, and the end of the last.
    std::vector<int> faceStarts{0};
    std::vector<int> faceObjects;
    std::vector<std::string> objectNames;
};

// The elements of one kind (vertices, texture coordinates, normals) that faces refer to.
struct ElementList {
    const char* singular;
    const char* plural;
    int defined = 0;
    // Indices written before their element, with their lines; checked at the end.
    std::vector<std::pair<int, size_t>> forward;
};

// The text quoted for a message: bytes that are not printable ASCII shown as '?', and
// cut short when long.
std::string quoted(std::string_view text) {
    constexpr size_t kShown = 32;
    std::string shown(text.substr(0, kShown));
    for (char& c : shown)
        if (c < 0x20 || c > 0x7e) c = '?';
    return "'" + shown + (text.size() > kShown ? "...'" : "'");
}

bool isKnownKeyword(std::string_view word) {
    static const char* const known[] = {
        "v",    "vt",         "vn",        "vp",     "f",      "fo",     "l",   "p",    "o",     "g",        "s",
        "mg",   "usemtl",     "mtllib",    "usemap", "maplib", "cstype", "deg", "bmat", "step",  "curv",     "curv2",
        "surf", "parm",       "trim",      "hole",   "scrv",   "sp",     "end", "con",  "bevel", "c_interp", "d_interp",
        "lod",  "shadow_obj", "trace_obj", "ctech",  "stech",  "call",   "csh", "t"};
    for (const char* keyword : known)
        if (word == keyword) return true;
    return false;
}

void splitWords(std::string_view text, std::vector<std::string_view>& words) {
    words.clear();
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    size_t position = 0;
    while (position < text.size()) {
        while (position < text.size() && isSpace(text[position]))
            ++position;
        const size_t start = position;
        while (position < text.size() && !isSpace(text[position]))
            ++position;
        if (position > start) words.push_back(text.substr(start, position - start));
    }
}

// Reads the statements of an OBJ file that make polygon meshes (v, vt, vn, f, o) and checks
// every one; other known statements are skipped, unknown ones refused.
class ObjParser {
public:
    explicit ObjParser(std::string name) : name_(std::move(name)) {}

    ObjContent run(LineReader& lines, std::string firstObjectName);

private:
    [[noreturn]] void fail(const std::string& problem) const {
        throw FileError(name_ + ":" + std::to_string(line_) + ": " + problem);
    }
    double coordinate(std::string_view token, const char* what) const;
    int reference(std::string_view token, ElementList& list);
    ObjCorner corner(std::string_view token);
    void readVertex();
    void readTexcoord();
    void readFace();
    void dropRepeatedNeighbours();
    void refuseVertexTwice() const;
    void checkForwardReferences(const ElementList& list);

    std::string name_;
    size_t line_ = 0;
    ObjContent content_;
    ElementList vertices_{"vertex", "vertices", 0, {}};
    ElementList texcoords_{"texture coordinate", "texture coordinates", 0, {}};
    ElementList normals_{"normal", "normals", 0, {}};
    std::vector<std::string_view> words_;
    std::vector<ObjCorner> face_;
};

double ObjParser::coordinate(std::string_view token, const char* what) const {
    const std::string text(token);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0') fail(std::string(what) + " " + quoted(token) + " is not a number");
    if (!std::isfinite(value)) fail(std::string(what) + " " + quoted(token) + " is not a finite number");
    // Meshes hold their points and UVs as 32-bit floats.
    if (std::abs(value) > FLT_MAX)
        fail(std::string(what) + " " + quoted(token) + " is beyond the range of 32-bit floats");
    return value;
}

int ObjParser::reference(std::string_view token, ElementList& list) {
    const std::string what = std::string(list.singular) + " index ";
    long long value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error == std::errc::result_out_of_range) fail(what + quoted(token) + " is out of range");
    if (error != std::errc() || end != token.data() + token.size()) fail(what + quoted(token) + " is not an integer");
    if (value == 0) fail(what + "0 is not valid (indices start at 1)");
    if (value < 0) {
        // Relative to the elements defined so far; compared without negating, which
        // would overflow for the smallest 64-bit value.
        if (value < -static_cast<long long>(list.defined))
            fail(what + std::to_string(value) + " is out of range (" + std::to_string(list.defined) +
                 " defined so far)");
        return static_cast<int>(list.defined + value);
    }
    if (value > INT_MAX) fail(what + std::to_string(value) + " is out of range");
    const int index = static_cast<int>(value - 1);
    if (index >= list.defined) list.forward.push_back({index, line_});
    return index;
}

ObjCorner ObjParser::corner(std::string_view token) {
    const size_t firstSlash = token.find('/');
    const std::string_view vertexText = token.substr(0, firstSlash);
    std::string_view texcoordText, normalText;
    bool wellFormed = !vertexText.empty();
    if (firstSlash != std::string_view::npos) {
        const std::string_view rest = token.substr(firstSlash + 1);
        const size_t secondSlash = rest.find('/');
        texcoordText = rest.substr(0, secondSlash);
        if (secondSlash != std::string_view::npos) {
            normalText = rest.substr(secondSlash + 1);
            wellFormed = wellFormed && !normalText.empty() && normalText.find('/') == std::string_view::npos;
        }
        wellFormed = wellFormed && (!texcoordText.empty() || !normalText.empty());
    }
    if (!wellFormed) fail("corner " + quoted(token) + " is not one of v, v/vt, v//vn and v/vt/vn");
    ObjCorner result{reference(vertexText, vertices_), -1};
    if (!texcoordText.empty()) result.texcoord = reference(texcoordText, texcoords_);
    if (!normalText.empty()) reference(normalText, normals_);
    return result;
}

void ObjParser::readVertex() {
    if (words_.size() < 4) fail("a vertex needs three coordinates");
    if (vertices_.defined == INT_MAX) fail("more vertices than supported");
    content_.points.emplace_back(coordinate(words_[1], "vertex coordinate"), coordinate(words_[2], "vertex coordinate"),
                                 coordinate(words_[3], "vertex coordinate"));
    ++vertices_.defined;
}

void ObjParser::readTexcoord() {
    if (words_.size() < 2) fail("a texture coordinate needs at least one value");
    if (texcoords_.defined == INT_MAX) fail("more texture coordinates than supported");
    double values[3] = {0.0, 0.0, 0.0};
    for (size_t i = 1; i < words_.size() && i <= 3; ++i)
        values[i - 1] = coordinate(words_[i], "texture coordinate");
    content_.u.push_back(static_cast<float>(values[0]));
    content_.v.push_back(static_cast<float>(values[1]));
    ++texcoords_.defined;
}

// Two neighbouring corners on one vertex make an edge of length zero: the second is dropped
// (also where the last corner meets the first).
void ObjParser::dropRepeatedNeighbours() {
    size_t kept = 0;
    for (const ObjCorner& c : face_)
        if (kept == 0 || face_[kept - 1].vertex != c.vertex) face_[kept++] = c;
    while (kept > 1 && face_[kept - 1].vertex == face_[0].vertex)
        --kept;
    face_.resize(kept);
}

// A polygon that comes back to a vertex after others has no single reading (a figure eight,
// a polygon wound around several times), so it is refused.
void ObjParser::refuseVertexTwice() const {
    std::array<int, kMostPolygonVertices> sorted;
    for (size_t i = 0; i < face_.size(); ++i)
        sorted[i] = face_[i].vertex;
    std::sort(sorted.begin(), sorted.begin() + face_.size());
    const int* twice = std::adjacent_find(sorted.begin(), sorted.begin() + face_.size());
    if (twice != sorted.begin() + face_.size())
        fail("the face comes back to vertex " + std::to_string(*twice + 1) + " (a polygon may use each vertex once)");
}

void ObjParser::readFace() {
    const size_t cornerCount = words_.size() - 1;
    if (cornerCount < 3) fail("a face needs at least three vertices, this one has " + std::to_string(cornerCount));
    if (cornerCount > kMostPolygonVertices)
        fail("a face with " + std::to_string(cornerCount) + " vertices has more than the 255 supported");
    face_.clear();
    for (size_t i = 1; i < words_.size(); ++i)
        face_.push_back(corner(words_[i]));
    dropRepeatedNeighbours();
    if (face_.size() < 3)
        fail("a face needs at least three different vertices, this one has " + std::to_string(face_.size()));
    refuseVertexTwice();
    if (content_.corners.size() + face_.size() > static_cast<size_t>(INT_MAX)) fail("more face corners than supported");
    content_.corners.insert(content_.corners.end(), face_.begin(), face_.end());
    content_.faceStarts.push_back(static_cast<int>(content_.corners.size()));
    content_.faceObjects.push_back(static_cast<int>(content_.objectNames.size()) - 1);
}

void ObjParser::checkForwardReferences(const ElementList& list) {
    for (const auto& [index, line] : list.forward)
        if (index >= list.defined) {
            line_ = line;
            fail(std::string(list.singular) + " index " + std::to_string(index + 1) +
                 " is out of range (the file has " + std::to_string(list.defined) + " " + list.plural + ")");
        }
}

ObjContent ObjParser::run(LineReader& lines, std::string firstObjectName) {
    content_.objectNames.push_back(std::move(firstObjectName));
    std::string_view text;
    while (lines.next(text)) {
        line_ = lines.lineNumber();
        if (text.find('\0') != std::string_view::npos) fail("binary data where text was expected");
        splitWords(text, words_);
        if (words_.empty() || words_[0][0] == '#') continue;
        const std::string_view keyword = words_[0];
        if (keyword == "v")
            readVertex();
        else if (keyword == "vt")
            readTexcoord();
        else if (keyword == "vn")
            ++normals_.defined;
        else if (keyword == "f")
            readFace();
        else if (keyword == "o")
            content_.objectNames.push_back(words_.size() > 1 ? std::string(words_[1]) : "object");
        else if (!isKnownKeyword(keyword))
            fail("unknown statement " + quoted(keyword));
    }
    checkForwardReferences(vertices_);
    checkForwardReferences(texcoords_);
    checkForwardReferences(normals_);
    return std::move(content_);
}

// Builds the objects' meshes one after the other, each with its vertices and UVs renumbered
// to the ones it uses. The maps from file numbers are made once and reset entry by entry, so
// a file of many objects costs no more than one of a single object.
class ObjectBuilder {
public:
    explicit ObjectBuilder(const ObjContent& content)
        : content_(content), vertexMap_(content.points.size(), -1), texcoordMap_(content.u.size(), -1) {}

    void keepAllVertices() {
        for (size_t vertex = 0; vertex < vertexMap_.size(); ++vertex)
            useVertex(static_cast<int>(vertex));
    }

    void addFace(int face) {
        faceOffsets_.push_back(static_cast<int>(faceVertices_.size()));
        for (int corner = content_.faceStarts[face]; corner < content_.faceStarts[face + 1]; ++corner) {
            const ObjCorner& c = content_.corners[corner];
            faceVertices_.push_back(useVertex(c.vertex));
            faceVertexUVs_.push_back(c.texcoord >= 0 ? useTexcoord(c.texcoord) : -1);
        }
    }

    // The mesh of the faces added since the last build.
    MObject build(const std::string& name, bool withUVSet) {
        faceOffsets_.push_back(static_cast<int>(faceVertices_.size()));
        MObject object = MeshData::create(name, std::move(points_), std::move(faceOffsets_), std::move(faceVertices_));
        if (withUVSet) {
            MeshUVSet& set = object.as<MeshData>()->createUVSet("map1");
            set.u = std::move(u_);
            set.v = std::move(v_);
            set.faceVertexUVs = std::move(faceVertexUVs_);
        }
        startNextObject();
        return object;
    }

private:
    void startNextObject() {
        for (const int vertex : usedVertices_)
            vertexMap_[vertex] = -1;
        for (const int texcoord : usedTexcoords_)
            texcoordMap_[texcoord] = -1;
        usedVertices_.clear();
        usedTexcoords_.clear();
        // The lists were moved into the mesh; clearing makes them empty again.
        points_.clear();
        faceOffsets_.clear();
        faceVertices_.clear();
        faceVertexUVs_.clear();
        u_.clear();
        v_.clear();
    }

    int useVertex(int vertex) {
        if (vertexMap_[vertex] < 0) {
            vertexMap_[vertex] = static_cast<int>(points_.size());
            points_.push_back(content_.points[vertex]);
            usedVertices_.push_back(vertex);
        }
        return vertexMap_[vertex];
    }

    int useTexcoord(int texcoord) {
        if (texcoordMap_[texcoord] < 0) {
            texcoordMap_[texcoord] = static_cast<int>(u_.size());
            u_.push_back(content_.u[texcoord]);
            v_.push_back(content_.v[texcoord]);
            usedTexcoords_.push_back(texcoord);
        }
        return texcoordMap_[texcoord];
    }

    const ObjContent& content_;
    std::vector<int> vertexMap_, texcoordMap_;
    std::vector<int> usedVertices_, usedTexcoords_;
    std::vector<MPoint> points_;
    std::vector<int> faceOffsets_, faceVertices_, faceVertexUVs_;
    std::vector<float> u_, v_;
};

// One mesh per object with faces (an object's faces follow each other in the file). When
// only one object has faces, it keeps every vertex of the file, also those no face uses, so
// that a mesh written out reads back alike.
std::vector<MObject> buildMeshes(const ObjContent& content) {
    const std::vector<int>& faceObjects = content.faceObjects;
    assert(std::is_sorted(faceObjects.begin(), faceObjects.end()));
    const bool single = faceObjects.front() == faceObjects.back();
    ObjectBuilder builder(content);
    std::vector<MObject> meshes;
    for (size_t face = 0; face < faceObjects.size();) {
        const int object = faceObjects[face];
        if (single) builder.keepAllVertices();
        for (; face < faceObjects.size() && faceObjects[face] == object; ++face)
            builder.addFace(static_cast<int>(face));
        meshes.push_back(builder.build(content.objectNames[object], !content.u.empty()));
    }
    return meshes;
}

} // namespace

std::vector<MObject> readObj(std::istream& in, const std::string& name, size_t longestLine) {
    LineReader lines(in, name, longestLine);
    const ObjContent content = ObjParser(name).run(lines, std::filesystem::path(name).stem().string());
    if (content.faceObjects.empty()) throw FileError(name + ": the file holds no polygons (an empty mesh)");
    return buildMeshes(content);
}

std::vector<MObject> importObj(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw FileError(path + ": is a folder, not a mesh file");
    std::ifstream stream(path, std::ios::binary);
    if (!stream) throw FileError(path + ": cannot open the file");
    return readObj(stream, path);
}
