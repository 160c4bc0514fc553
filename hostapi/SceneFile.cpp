#include "SceneFile.h"

#include "AttributeText.h"
#include "DagNode.h"
#include "HostSession.h"
#include "MArgDatabase.h"
#include "MDagPath.h"
#include "MGlobal.h"
#include "MSelectionList.h"
#include "MeshData.h"
#include "MeshNode.h"
#include "ObjFile.h"

#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace {

std::string quoted(const std::string& word) {
    const bool plain = !word.empty() && word.find_first_of(" \t\"\\") == std::string::npos;
    if (plain) return word;
    std::string text = "\"";
    for (const char c : word) {
        if (c == '"' || c == '\\') text += '\\';
        text += c;
    }
    return text + "\"";
}

std::string plugName(const SceneNode& node, const PlugAddress& address) {
    const AttributeDefinition& definition = node.attribute(address.attribute);
    std::string name = node.name() + "." + definition.longName;
    if (address.element >= 0) {
        name += '[';
        name += std::to_string(address.element);
        name += ']';
    }
    if (address.child >= 0) name += "." + definition.childLongNames[address.child];
    return name;
}

template <typename Number>
void appendNumber(std::string& line, Number value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    line += ' ';
    line.append(text, result.ptr);
}

void writeMesh(std::ostream& out, const std::string& attribute, const MeshData& mesh) {
    out << "mesh " << attribute << ' ' << mesh.numVertices() << ' ' << mesh.numPolygons() << ' ' << mesh.uvSets().size()
        << '\n';
    std::string line;
    for (const MPoint& point : mesh.points()) {
        line.assign(1, 'v');
        appendNumber(line, point.x);
        appendNumber(line, point.y);
        appendNumber(line, point.z);
        out << line << '\n';
    }
    for (int face = 0; face < mesh.numPolygons(); ++face) {
        const auto vertices = mesh.polygonVertices(face);
        line = "f " + std::to_string(vertices.size());
        for (const int vertex : vertices)
            line += ' ' + std::to_string(vertex);
        out << line << '\n';
    }
    for (size_t set = 0; set < mesh.uvSets().size(); ++set) {
        const MeshUVSet& uvs = mesh.uvSets()[set];
        out << "uvset " << quoted(uvs.name) << ' ' << uvs.u.size() << ' '
            << (static_cast<int>(set) == mesh.currentUVSet() ? 1 : 0) << '\n';
        for (size_t uv = 0; uv < uvs.u.size(); ++uv) {
            line.assign("vt", 2);
            appendNumber(line, uvs.u[uv]);
            appendNumber(line, uvs.v[uv]);
            out << line << '\n';
        }
        line.assign("fuv", 3);
        for (const int id : uvs.faceVertexUVs)
            line += ' ' + std::to_string(id);
        out << line << '\n';
    }
}

// A value the node keeps itself: storable, not given by a connection, not computed (but a
// mesh without history keeps its geometry in its output).
bool holdsOwnValue(const SceneNode& node, int attribute, const std::set<int>& connected) {
    const AttributeDefinition& definition = node.attribute(attribute);
    if (!definition.storable || connected.count(attribute)) return false;
    if (const MeshNode* mesh = dynamic_cast<const MeshNode*>(&node))
        if (attribute == mesh->outMeshAttribute()) return !mesh->hasHistory();
    return !node.type().isComputed(attribute);
}

void writeValue(std::ostream& out, const std::string& name, const AttributeValue& value,
                const AttributeValue& defaultValue) {
    std::vector<std::string> words, defaults;
    if (const MObject* mesh = std::get_if<MObject>(&value)) {
        if (const MeshData* data = mesh->as<MeshData>()) writeMesh(out, name, *data);
        return;
    }
    formatValue(value, words);
    formatValue(defaultValue, defaults);
    if (words == defaults) return;
    out << "attr " << name;
    for (const std::string& word : words)
        out << ' ' << quoted(word);
    out << '\n';
}

void writeNode(std::ostream& out, SceneNode& node) {
    out << "node " << node.typeName() << ' ' << node.name();
    if (const DagNode* dag = dynamic_cast<const DagNode*>(&node); dag && dag->parent())
        out << ' ' << dag->parent()->name();
    out << '\n';
    std::set<int> connected;
    for (const Connection& connection : Scene::current().connections())
        if (connection.destination.get() == &node) connected.insert(connection.to.attribute);
    for (unsigned i = 0; i < node.type().attributeCount(); ++i) {
        const int attribute = static_cast<int>(i);
        if (!holdsOwnValue(node, attribute, connected)) continue;
        const AttributeDefinition& definition = node.attribute(attribute);
        node.evaluate(attribute);
        if (!definition.array) {
            AttributeValue value;
            node.readValue({attribute}, value);
            writeValue(out, definition.longName, value, definition.defaultValue);
            continue;
        }
        for (const unsigned element : node.elementIndices(attribute)) {
            AttributeValue value;
            node.readValue({attribute, static_cast<int>(element)}, value);
            std::string name = definition.longName;
            name += '[';
            name += std::to_string(element);
            name += ']';
            writeValue(out, name, value, AttributeValue{});
        }
    }
}

// Reads the file's statements one line at a time, naming the line in its errors.
class SceneReader {
public:
    explicit SceneReader(const std::string& path) : path_(path), in_(path) {
        if (!in_) throw FileError(path + ": cannot open the file");
    }

    bool next(std::vector<std::string>& words) {
        std::string line, error;
        while (std::getline(in_, line)) {
            ++line_;
            if (!CommandInterpreter::splitWords(line, words, error)) fail(error);
            if (!words.empty() && words[0][0] != '#') return true;
        }
        return false;
    }

    [[noreturn]] void fail(const std::string& problem) const {
        throw FileError(path_ + ":" + std::to_string(line_) + ": " + problem);
    }

    void read();

private:
    MObject readMesh(const std::vector<std::string>& header, const std::string& name);
    std::vector<std::string> expect(const char* keyword, size_t minimum);
    long long whole(const std::string& word, long long lowest, long long highest);
    double real(const std::string& word);
    void readAttribute(SceneNode& node, const std::vector<std::string>& words);

    std::string path_;
    std::ifstream in_;
    unsigned line_ = 0;
};

std::vector<std::string> SceneReader::expect(const char* keyword, size_t minimum) {
    std::vector<std::string> words;
    if (!next(words)) fail(std::string("the file ends where a '") + keyword + "' line was expected");
    if (words[0] != keyword || words.size() < minimum) fail(std::string("a '") + keyword + "' line was expected");
    return words;
}

long long SceneReader::whole(const std::string& word, long long lowest, long long highest) {
    long long value = 0;
    if (!parseIntegerWord(word, value) || value < lowest || value > highest)
        fail("a whole number from " + std::to_string(lowest) + " to " + std::to_string(highest) +
             " was expected, not '" + word + "'");
    return value;
}

double SceneReader::real(const std::string& word) {
    double value = 0.0;
    if (!parseDoubleWord(word, value)) fail("a number was expected, not '" + word + "'");
    return value;
}

MObject SceneReader::readMesh(const std::vector<std::string>& header, const std::string& name) {
    const long long limit = 0x3fffffff;
    const long long points = whole(header[2], 0, limit), faces = whole(header[3], 0, limit);
    const long long sets = whole(header[4], 0, 64);
    std::vector<MPoint> positions;
    for (long long i = 0; i < points; ++i) {
        const std::vector<std::string> words = expect("v", 4);
        positions.emplace_back(real(words[1]), real(words[2]), real(words[3]));
    }
    std::vector<int> offsets{0}, vertices;
    for (long long i = 0; i < faces; ++i) {
        const std::vector<std::string> words = expect("f", 5);
        const long long count = whole(words[1], 3, limit);
        if (words.size() != static_cast<size_t>(count) + 2) fail("the face has not " + words[1] + " vertices");
        for (long long k = 0; k < count; ++k)
            vertices.push_back(static_cast<int>(whole(words[k + 2], 0, points - 1)));
        offsets.push_back(static_cast<int>(vertices.size()));
    }
    MObject mesh = MeshData::create(name, std::move(positions), std::move(offsets), std::move(vertices));
    MeshData& data = *mesh.as<MeshData>();
    for (long long set = 0; set < sets; ++set) {
        const std::vector<std::string> words = expect("uvset", 4);
        MeshUVSet& uvs = data.createUVSet(words[1]);
        const long long count = whole(words[2], 0, limit);
        if (whole(words[3], 0, 1) == 1) data.setCurrentUVSet(static_cast<int>(data.uvSets().size()) - 1);
        for (long long uv = 0; uv < count; ++uv) {
            const std::vector<std::string> pair = expect("vt", 3);
            uvs.u.push_back(static_cast<float>(real(pair[1])));
            uvs.v.push_back(static_cast<float>(real(pair[2])));
        }
        const std::vector<std::string> ids = expect("fuv", 1);
        if (ids.size() != static_cast<size_t>(data.numFaceVertices()) + 1) fail("fuv needs one UV id per face-vertex");
        for (size_t i = 1; i < ids.size(); ++i)
            uvs.faceVertexUVs[i - 1] = static_cast<int>(whole(ids[i], -1, count - 1));
    }
    return mesh;
}

void SceneReader::readAttribute(SceneNode& node, const std::vector<std::string>& words) {
    NamedPlug plug;
    std::string error;
    if (!findNamedPlug(node.name() + "." + words[1], plug, error)) fail(error);
    AttributeValue value;
    if (words[0] == "mesh") {
        value = readMesh(words, node.name());
    } else if (!parseValue(valueTypeAt(node, plug.address), {words.begin() + 2, words.end()}, value, error)) {
        fail(words[1] + ": " + error);
    }
    if (!node.storeValue(plug.address, value)) fail(words[1] + " cannot hold that value");
}

void SceneReader::read() {
    std::vector<std::string> words;
    if (!next(words) || words.size() != 3 || words[0] != "varnelle" || words[1] != "scene" || words[2] != "1")
        fail("not a varnelle scene file (the first line must be 'varnelle scene 1')");
    Scene& scene = Scene::current();
    scene.reset();
    for (const std::shared_ptr<SceneNode>& node : std::vector(scene.nodes()))
        scene.remove(node);
    std::shared_ptr<SceneNode> current;
    std::vector<std::pair<std::shared_ptr<DagNode>, std::string>> parents;
    std::vector<std::pair<std::string, std::string>> connections;
    while (next(words)) {
        const std::string& keyword = words[0];
        if (keyword == "requires" && words.size() == 2) {
            std::string error;
            if (!hostSession().plugins.load(words[1], error)) fail(error);
        } else if (keyword == "history" && words.size() == 2) {
            scene.setRecordsHistory(whole(words[1], 0, 1) == 1);
        } else if (keyword == "node" && (words.size() == 3 || words.size() == 4)) {
            const std::shared_ptr<const NodeType> type = hostSession().plugins.findType(words[1]);
            if (!type) fail("unknown node type '" + words[1] + "'");
            if (!isValidNodeName(words[2]) || scene.find(words[2]))
                fail("bad or repeated node name '" + words[2] + "'");
            current = type->create(type);
            scene.addNode(current, words[2]);
            if (words.size() == 4) {
                auto dag = std::dynamic_pointer_cast<DagNode>(current);
                if (!dag) fail(words[2] + " is no DAG node and cannot have a parent");
                parents.emplace_back(dag, words[3]);
            }
        } else if ((keyword == "attr" && words.size() >= 3) || (keyword == "mesh" && words.size() == 5)) {
            if (!current) fail("a value before the first node");
            readAttribute(*current, words);
        } else if (keyword == "connect" && words.size() == 3) {
            connections.emplace_back(words[1], words[2]);
        } else if (keyword == "select" && words.size() == 2) {
            const std::shared_ptr<SceneNode> node = scene.find(words[1]);
            if (!node) fail("No object matches name: " + words[1]);
            scene.selection().emplace_back(node);
        } else {
            fail("unknown statement '" + keyword + "'");
        }
    }
    for (const auto& [child, parentName] : parents) {
        auto parent = std::dynamic_pointer_cast<DagNode>(scene.find(parentName));
        if (!parent || !child->setParent(parent)) fail("bad parent '" + parentName + "' of " + child->name());
    }
    for (const auto& [from, to] : connections) {
        NamedPlug source, destination;
        std::string error;
        if (!findNamedPlug(from, source, error) || !findNamedPlug(to, destination, error)) fail(error);
        const MStatus connected = scene.connect(source.node, source.address, destination.node, destination.address);
        if (!connected) fail("cannot connect " + from + " to " + to + ": " + connected.errorString().str());
    }
}

std::string sanitisedName(const std::string& name) {
    std::string clean;
    for (const char c : name)
        clean += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    if (clean.empty() || std::isdigit(static_cast<unsigned char>(clean[0]))) clean = "_" + clean;
    return clean;
}

} // namespace

void saveScene(const std::string& path) {
    Scene& scene = Scene::current();
    writeFileAtomically(path, [&](std::ostream& out) {
        out << "varnelle scene 1\n";
        std::set<std::string> plugins;
        for (const std::shared_ptr<SceneNode>& node : scene.nodes())
            if (!node->type().plugin.empty()) plugins.insert(node->type().plugin);
        for (const std::string& plugin : plugins)
            out << "requires " << plugin << '\n';
        out << "history " << (scene.recordsHistory() ? 1 : 0) << '\n';
        for (const std::shared_ptr<SceneNode>& node : scene.nodes())
            writeNode(out, *node);
        for (const Connection& connection : scene.connections())
            out << "connect " << plugName(*connection.source, connection.from) << ' '
                << plugName(*connection.destination, connection.to) << '\n';
        for (const MObject& selected : scene.selection())
            out << "select " << selected.as<SceneNode>()->name() << '\n';
    });
}

void openScene(const std::string& path) {
    SceneReader reader(path);
    try {
        reader.read();
    } catch (const FileError&) {
        Scene::current().reset();
        throw;
    }
}

std::vector<std::shared_ptr<SceneNode>> importObjIntoScene(const std::string& path) {
    const std::vector<MObject> meshes = importObj(path);
    Scene& scene = Scene::current();
    std::vector<std::shared_ptr<SceneNode>> transforms;
    for (const MObject& mesh : meshes) {
        auto transform = TransformNode::nodeType()->create(TransformNode::nodeType());
        scene.addNode(transform, sanitisedName(mesh.as<MeshData>()->name()));
        auto shape = std::static_pointer_cast<DagNode>(MeshNode::nodeType()->create(MeshNode::nodeType()));
        shape->storeValue({shape->findAttribute("outMesh")}, mesh);
        shape->setParent(std::static_pointer_cast<DagNode>(transform));
        scene.addNode(shape, transform->name() + "Shape");
        transforms.push_back(transform);
    }
    return transforms;
}

void exportSelectedMesh(const std::string& path) {
    MSelectionList selection;
    MGlobal::getActiveSelectionList(selection);
    MItSelectionList meshes(selection, MFn::kMesh);
    MDagPath shape;
    if (meshes.isDone() || !meshes.getDagPath(shape) || !shape.extendToShape())
        throw FileError(path + ": select a mesh to export first");
    exportObj(path, {shape.node().as<MeshNode>()->outputMesh()});
}
