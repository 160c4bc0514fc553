#include "MeshNode.h"

#include "HostSession.h"
#include "MeshData.h"

namespace {

std::shared_ptr<AttributeDefinition> meshAttribute(const char* longName, const char* shortName) {
    return std::make_shared<AttributeDefinition>(longName, shortName, AttributeType::Mesh);
}

std::shared_ptr<AttributeDefinition> tweakArray(const char* longName, const char* shortName,
                                                std::vector<std::string> childLongNames,
                                                std::vector<std::string> childShortNames) {
    auto definition = std::make_shared<AttributeDefinition>(longName, shortName, AttributeType::Float3);
    definition->array = true;
    definition->childLongNames = std::move(childLongNames);
    definition->childShortNames = std::move(childShortNames);
    return definition;
}

// The mesh with each tweak added to the vertex of its logical index (tweaks past the last
// vertex are ignored).
MObject withTweaks(const MObject& mesh, const std::map<unsigned, AttributeValue>& tweaks) {
    MObject result = copyMesh(mesh);
    MeshData* data = result.as<MeshData>();
    if (!data) return result;
    std::vector<MPoint> points = data->points();
    bool moved = false;
    for (const auto& [index, value] : tweaks) {
        const Float3& offset = std::get<Float3>(value);
        if (index >= points.size() || (offset[0] == 0.0f && offset[1] == 0.0f && offset[2] == 0.0f)) continue;
        points[index] = points[index] + MVector(offset[0], offset[1], offset[2]);
        moved = true;
    }
    if (moved) data->setPoints(std::move(points));
    return result;
}

} // namespace

MObject copyMesh(const MObject& mesh) {
    const MeshData* data = mesh.as<MeshData>();
    return data ? MObject(std::make_shared<MeshData>(*data)) : MObject();
}

MeshData* meshDataOf(const MObject& object) {
    if (MeshData* data = object.as<MeshData>()) return data;
    MeshNode* shape = object.as<MeshNode>();
    return shape ? shape->outputMesh().as<MeshData>() : nullptr;
}

MeshNode::MeshNode(std::shared_ptr<const NodeType> type)
    : DagNode(std::move(type)), inMesh_(findAttribute("inMesh")), outMesh_(findAttribute("outMesh")),
      pnts_(findAttribute("pnts")) {}

const std::shared_ptr<const NodeType>& MeshNode::nodeType() {
    static const std::shared_ptr<const NodeType> type = [] {
        auto made = std::make_shared<NodeType>(
            "mesh", MTypeId(0x444d5348), MFn::kMesh,
            [](std::shared_ptr<const NodeType> self) { return std::make_shared<MeshNode>(std::move(self)); });
        DagNode::addDagAttributes(*made);
        auto inMesh = meshAttribute("inMesh", "i");
        inMesh->storable = false;
        auto outMesh = meshAttribute("outMesh", "o");
        auto pnts = tweakArray("pnts", "pt", {"pntx", "pnty", "pntz"}, {"px", "py", "pz"});
        made->addAttribute(inMesh);
        made->addAttribute(outMesh);
        made->addAttribute(pnts);
        made->addAffects(inMesh.get(), outMesh.get());
        made->addAffects(pnts.get(), outMesh.get());
        return made;
    }();
    return type;
}

bool MeshNode::hasHistory() const {
    return !hostSession().scene.incoming(*this, inMesh_).empty();
}

MObject MeshNode::outputMesh() {
    evaluate(outMesh_);
    AttributeValue value;
    readValue({outMesh_}, value);
    return std::get<MObject>(value);
}

MStatus MeshNode::compute(int attribute) {
    if (attribute != outMesh_) return MStatus::kUnknownParameter;
    if (hasHistory()) {
        evaluate(inMesh_);
        AttributeValue input;
        readValue({inMesh_}, input);
        storeValue({outMesh_}, withTweaks(std::get<MObject>(input), elements(pnts_)));
    }
    setDirty(outMesh_, false);
    return MStatus::kSuccess;
}

void MeshNode::valueChanged(const PlugAddress& address, const AttributeValue& before) {
    if (address.attribute != pnts_ || address.element < 0 || hasHistory()) return;
    AttributeValue after;
    readValue(address, after);
    std::map<unsigned, AttributeValue> move;
    if (address.child >= 0) {
        Float3 offset{0.0f, 0.0f, 0.0f};
        offset[address.child] = static_cast<float>(numberOf(after) - numberOf(before));
        move[static_cast<unsigned>(address.element)] = offset;
    } else {
        const Float3& now = std::get<Float3>(after);
        const Float3& was = std::get<Float3>(before);
        move[static_cast<unsigned>(address.element)] = Float3{now[0] - was[0], now[1] - was[1], now[2] - was[2]};
    }
    AttributeValue own;
    readValue({outMesh_}, own);
    storeValue({outMesh_}, withTweaks(std::get<MObject>(own), move));
}

void MeshNode::inputDisconnected(int attribute) {
    if (attribute != inMesh_) return;
    if (isDirty(outMesh_)) {
        // The shape keeps the last mesh that came in, with its tweaks.
        AttributeValue input;
        readValue({inMesh_}, input);
        const MObject& mesh = std::get<MObject>(input);
        if (!mesh.isNull()) storeValue({outMesh_}, withTweaks(mesh, elements(pnts_)));
    }
    setDirty(outMesh_, false);
}

PolyTweakNode::PolyTweakNode(std::shared_ptr<const NodeType> type)
    : SceneNode(std::move(type)), input_(findAttribute("inputPolymesh")), output_(findAttribute("output")),
      tweak_(findAttribute("tweak")) {}

const std::shared_ptr<const NodeType>& PolyTweakNode::nodeType() {
    static const std::shared_ptr<const NodeType> type = [] {
        auto made = std::make_shared<NodeType>(
            "polyTweak", MTypeId(0x50545745), MFn::kPolyTweak,
            [](std::shared_ptr<const NodeType> self) { return std::make_shared<PolyTweakNode>(std::move(self)); });
        auto input = meshAttribute("inputPolymesh", "ip");
        input->storable = false;
        auto output = meshAttribute("output", "out");
        output->storable = false;
        auto tweak = tweakArray("tweak", "tk", {"tweakX", "tweakY", "tweakZ"}, {"tx", "ty", "tz"});
        made->addAttribute(input);
        made->addAttribute(output);
        made->addAttribute(tweak);
        made->addAffects(input.get(), output.get());
        made->addAffects(tweak.get(), output.get());
        return made;
    }();
    return type;
}

MStatus PolyTweakNode::compute(int attribute) {
    if (attribute != output_) return MStatus::kUnknownParameter;
    evaluate(input_);
    AttributeValue input;
    readValue({input_}, input);
    storeValue({output_}, withTweaks(std::get<MObject>(input), elements(tweak_)));
    setDirty(output_, false);
    return MStatus::kSuccess;
}
