#include "MeshData.h"
#include "ObjFile.h"

#include <tiny_obj_loader.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

namespace {

// What the line check learns about the file before tinyobjloader parses it.
struct ObjOutline {
    std::vector<std::string> objectNames;
    std::vector<int> faceObjects;
    std::vector<size_t> faceLines;
    int vertexCount = 0;
    int texcoordCount = 0;
};

constexpr int kMostPolygonVertices = 255;

class ObjLineCheck {
public:
    explicit ObjLineCheck(const std::string& path) : path_(path) {}

    ObjOutline run(const std::string& content);

private:
    [[noreturn]] void fail(const std::string& problem) const {
        throw FileError(path_ + ":" + std::to_string(line_) + ": " + problem);
    }
    static std::vector<std::string_view> tokens(std::string_view text);
    double number(std::string_view token, const char* what) const;
    int reference(std::string_view token, int defined, const char* what) const;
    void checkVertex(const std::vector<std::string_view>& words);
    void checkTexcoord(const std::vector<std::string_view>& words);
    void checkFace(const std::vector<std::string_view>& words, ObjOutline& outline);

    std::string path_;
    size_t line_ = 0;
    int vertices_ = 0;
    int texcoords_ = 0;
    int normals_ = 0;
    std::vector<std::pair<int, size_t>> forwardVertex_, forwardTexcoord_;
};

// The text with every byte that is not printable ASCII shown as '?', for messages.
std::string printable(std::string_view text) {
    std::string shown(text);
    for (char& c : shown)
        if (c < 0x20 || c > 0x7e) c = '?';
    return shown;
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

std::vector<std::string_view> ObjLineCheck::tokens(std::string_view text) {
    std::vector<std::string_view> words;
    size_t position = 0;
    while (position < text.size()) {
        while (position < text.size() && (text[position] == ' ' || text[position] == '\t' || text[position] == '\r'))
            ++position;
        const size_t start = position;
        while (position < text.size() && text[position] != ' ' && text[position] != '\t' && text[position] != '\r')
            ++position;
        if (position > start) words.push_back(text.substr(start, position - start));
    }
    return words;
}

double ObjLineCheck::number(std::string_view token, const char* what) const {
    const std::string text(token);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0') fail(std::string(what) + " '" + text + "' is not a number");
    if (!std::isfinite(value)) fail(std::string(what) + " '" + text + "' is not a finite number");
    return value;
}

int ObjLineCheck::reference(std::string_view token, int defined, const char* what) const {
    long long value = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (error != std::errc() || end != token.data() + token.size())
        fail(std::string(what) + " index '" + std::string(token) + "' is not an integer");
    if (value == 0) fail(std::string(what) + " index 0 is not valid (indices start at 1)");
    if (value < 0) {
        if (-value > defined)
            fail(std::string(what) + " index " + std::to_string(value) + " is out of range (" +
                 std::to_string(defined) + " defined so far)");
        return static_cast<int>(defined + value);
    }
    if (value > 0x7fffffff) fail(std::string(what) + " index " + std::to_string(value) + " is out of range");
    return static_cast<int>(value - 1);
}

void ObjLineCheck::checkVertex(const std::vector<std::string_view>& words) {
    if (words.size() < 4) fail("a vertex needs three coordinates");
    for (size_t i = 1; i < words.size() && i <= 3; ++i)
        number(words[i], "vertex coordinate");
    ++vertices_;
}

void ObjLineCheck::checkTexcoord(const std::vector<std::string_view>& words) {
    if (words.size() < 2) fail("a texture coordinate needs at least one value");
    for (size_t i = 1; i < words.size() && i <= 3; ++i)
        number(words[i], "texture coordinate");
    ++texcoords_;
}

void ObjLineCheck::checkFace(const std::vector<std::string_view>& words, ObjOutline& outline) {
    const size_t cornerCount = words.size() - 1;
    if (cornerCount < 3) fail("a face needs at least three vertices, this one has " + std::to_string(cornerCount));
    if (cornerCount > kMostPolygonVertices)
        fail("a face with " + std::to_string(cornerCount) + " vertices has more than the 255 supported");
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string_view corner = words[i];
        const size_t firstSlash = corner.find('/');
        const int vertex = reference(corner.substr(0, firstSlash), vertices_, "vertex");
        if (vertex >= vertices_) forwardVertex_.push_back({vertex, line_});
        if (firstSlash == std::string_view::npos) continue;
        const std::string_view rest = corner.substr(firstSlash + 1);
        const size_t secondSlash = rest.find('/');
        const std::string_view texcoordText = rest.substr(0, secondSlash);
        if (!texcoordText.empty()) {
            const int texcoord = reference(texcoordText, texcoords_, "texture coordinate");
            if (texcoord >= texcoords_) forwardTexcoord_.push_back({texcoord, line_});
        }
        if (secondSlash != std::string_view::npos && secondSlash + 1 < rest.size())
            reference(rest.substr(secondSlash + 1), 0x7fffffff, "normal");
    }
    outline.faceLines.push_back(line_);
    outline.faceObjects.push_back(static_cast<int>(outline.objectNames.size()) - 1);
}

ObjOutline ObjLineCheck::run(const std::string& content) {
    ObjOutline outline;
    outline.objectNames.push_back(std::filesystem::path(path_).stem().string());
    std::string_view rest(content);
    while (!rest.empty()) {
        ++line_;
        const size_t end = rest.find('\n');
        std::string_view text = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (text.find('\0') != std::string_view::npos) fail("binary data where text was expected");
        const std::vector<std::string_view> words = tokens(text);
        if (words.empty() || words[0][0] == '#') continue;
        const std::string_view keyword = words[0];
        if (keyword == "v")
            checkVertex(words);
        else if (keyword == "vt")
            checkTexcoord(words);
        else if (keyword == "vn")
            ++normals_;
        else if (keyword == "f")
            checkFace(words, outline);
        else if (keyword == "o")
            outline.objectNames.push_back(words.size() > 1 ? std::string(words[1]) : "object");
        else if (!isKnownKeyword(keyword))
            fail("unknown statement '" + printable(keyword.substr(0, 32)) + "'");
    }
    for (const auto& [index, line] : forwardVertex_)
        if (index >= vertices_) {
            line_ = line;
            fail("vertex index " + std::to_string(index + 1) + " is out of range (the file has " +
                 std::to_string(vertices_) + " vertices)");
        }
    for (const auto& [index, line] : forwardTexcoord_)
        if (index >= texcoords_) {
            line_ = line;
            fail("texture coordinate index " + std::to_string(index + 1) + " is out of range (the file has " +
                 std::to_string(texcoords_) + " texture coordinates)");
        }
    outline.vertexCount = vertices_;
    outline.texcoordCount = texcoords_;
    return outline;
}

std::string readWholeFile(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw FileError(path + ": is a folder, not a mesh file");
    std::ifstream stream(path, std::ios::binary);
    if (!stream) throw FileError(path + ": cannot open the file");
    std::ostringstream content;
    content << stream.rdbuf();
    if (stream.bad()) throw FileError(path + ": cannot read the file");
    return content.str();
}

// One object's polygons with its vertices and UVs renumbered to the ones it uses.
class ObjectBuilder {
public:
    ObjectBuilder(const tinyobj::attrib_t& attrib, bool keepAllVertices)
        : attrib_(attrib), vertexMap_(attrib.vertices.size() / 3, -1), texcoordMap_(attrib.texcoords.size() / 2, -1) {
        if (keepAllVertices)
            for (size_t vertex = 0; vertex < vertexMap_.size(); ++vertex)
                useVertex(static_cast<int>(vertex));
    }

    void addFace(const tinyobj::index_t* corners, int count) {
        faceOffsets_.push_back(static_cast<int>(faceVertices_.size()));
        for (int i = 0; i < count; ++i) {
            faceVertices_.push_back(useVertex(corners[i].vertex_index));
            faceVertexUVs_.push_back(corners[i].texcoord_index >= 0 ? useTexcoord(corners[i].texcoord_index) : -1);
        }
    }

    bool empty() const { return faceOffsets_.empty(); }

    MObject build(const std::string& name, bool withUVSet) {
        faceOffsets_.push_back(static_cast<int>(faceVertices_.size()));
        MObject object = MeshData::create(name, std::move(points_), std::move(faceOffsets_), std::move(faceVertices_));
        if (withUVSet) {
            MeshUVSet& set = object.as<MeshData>()->createUVSet("map1");
            set.u = std::move(u_);
            set.v = std::move(v_);
            set.faceVertexUVs = std::move(faceVertexUVs_);
        }
        return object;
    }

private:
    int useVertex(int vertex) {
        if (vertexMap_[vertex] < 0) {
            vertexMap_[vertex] = static_cast<int>(points_.size());
            const double* p = &attrib_.vertices[3 * vertex];
            points_.emplace_back(p[0], p[1], p[2]);
        }
        return vertexMap_[vertex];
    }

    int useTexcoord(int texcoord) {
        if (texcoordMap_[texcoord] < 0) {
            texcoordMap_[texcoord] = static_cast<int>(u_.size());
            u_.push_back(static_cast<float>(attrib_.texcoords[2 * texcoord]));
            v_.push_back(static_cast<float>(attrib_.texcoords[2 * texcoord + 1]));
        }
        return texcoordMap_[texcoord];
    }

    const tinyobj::attrib_t& attrib_;
    std::vector<int> vertexMap_, texcoordMap_;
    std::vector<MPoint> points_;
    std::vector<int> faceOffsets_, faceVertices_, faceVertexUVs_;
    std::vector<float> u_, v_;
};

} // namespace

std::vector<MObject> importObj(const std::string& path) {
    const std::string content = readWholeFile(path);
    const ObjOutline outline = ObjLineCheck(path).run(content);
    if (outline.faceLines.empty()) throw FileError(path + ": the file holds no polygons (an empty mesh)");

    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warnings, errors;
    std::istringstream stream(content);
    if (!tinyobj::LoadObj(&attrib, &shapes, &materials, &warnings, &errors, &stream, nullptr, false))
        throw FileError(path + ": " + (errors.empty() ? std::string("cannot parse the file") : errors));
    if (attrib.vertices.size() / 3 != static_cast<size_t>(outline.vertexCount))
        throw FileError(path + ": the vertex list could not be read consistently");

    const int objectCount = static_cast<int>(outline.objectNames.size());
    std::vector<ObjectBuilder> builders;
    for (int object = 0; object < objectCount; ++object)
        builders.emplace_back(attrib, objectCount == 1);
    size_t face = 0;
    for (const tinyobj::shape_t& shape : shapes) {
        size_t corner = 0;
        for (unsigned char count : shape.mesh.num_face_vertices) {
            if (face >= outline.faceObjects.size())
                throw FileError(path + ": the faces could not be read consistently");
            builders[outline.faceObjects[face++]].addFace(&shape.mesh.indices[corner], count);
            corner += count;
        }
    }
    if (face != outline.faceObjects.size()) throw FileError(path + ": the faces could not be read consistently");

    std::vector<MObject> meshes;
    for (int object = 0; object < objectCount; ++object)
        if (!builders[object].empty())
            meshes.push_back(builders[object].build(outline.objectNames[object], outline.texcoordCount > 0));
    return meshes;
}
