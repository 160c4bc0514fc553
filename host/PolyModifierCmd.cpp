#include "PolyModifierCmd.h"

#include "hostapi/MFnDagNode.h"
#include "hostapi/MFnDependencyNode.h"
#include "hostapi/MFnNumericData.h"
#include "hostapi/MGlobal.h"
#include "hostapi/MPlug.h"

#include <vector>

namespace {

MObject zeroTweak() {
    MFnNumericData numbers;
    MObject zero = numbers.create(MFnNumericData::k3Float);
    numbers.setData(0.0f, 0.0f, 0.0f);
    return zero;
}

// The connections of one number of a tweak: the plugs it fed and the plugs that fed it.
struct ChildConnections {
    MPlugArray fed;
    MPlugArray feeding;
};

} // namespace

void polyModifierCmd::setTargetMesh(const MDagPath& mesh) {
    targetPath_ = mesh;
    targetPathSet_ = true;
}

void polyModifierCmd::setModifierType(const MTypeId& type) {
    modifierType_ = type;
    modifierTypeSet_ = true;
}

void polyModifierCmd::setModifierName(const MString& typeName) {
    modifierName_ = typeName;
    modifierNameSet_ = true;
}

MStatus polyModifierCmd::prepareModifierNode(MObject) {
    return MStatus::kSuccess;
}

MStatus polyModifierCmd::modifyMeshDirectly(MObject) {
    return MStatus::kSuccess;
}

MStatus polyModifierCmd::applyModifier() {
    const MStatus result = MStatus::kFailure;
    MDagPath shape = targetPath_;
    const bool validMesh = targetPathSet_ && shape.extendToShape() && shape.isValid() && shape.apiType() == MFn::kMesh;
    if ((!modifierTypeSet_ && !modifierNameSet_) || !validMesh) return result;

    collectMeshState();
    if (hasHistory_ || recordsHistory_) {
        const MObject modifierNode = createModifierNode();
        prepareModifierNode(modifierNode);
        return connectModifierNode(modifierNode);
    }
    const MObject meshNode = targetPath_.node();
    keepMeshCopy();
    keepTweaks();
    return modifyMeshDirectly(meshNode);
}

void polyModifierCmd::collectMeshState() {
    targetPath_.extendToShape();
    const MFnDependencyNode mesh(targetPath_.node());
    hasHistory_ = mesh.findPlug("inMesh", true).isConnected();

    hasTweaks_ = false;
    MStatus status;
    const MPlug pnts = mesh.findPlug("pnts", true, &status);
    if (status) {
        for (unsigned i = 0; i < pnts.numElements() && !hasTweaks_; ++i) {
            const MPlug element = pnts.elementByPhysicalIndex(i, &status);
            if (!status || element.isNull()) continue;
            MObject value;
            element.getValue(value);
            float x = 0.0f, y = 0.0f, z = 0.0f;
            MFnNumericData(value).getData(x, y, z);
            hasTweaks_ = x != 0.0f || y != 0.0f || z != 0.0f;
        }
    }

    int history = 0;
    MGlobal::executeCommand("constructionHistory -q -tgl", history, false, false);
    recordsHistory_ = history != 0;
}

MObject polyModifierCmd::createModifierNode() {
    const MObject node =
        modifierTypeSet_ ? dgModifier_.createNode(modifierType_) : dgModifier_.createNode(modifierName_);
    const MFnDependencyNode modifier(node);
    if (modifier.attribute("inMesh").isNull() || modifier.attribute("outMesh").isNull())
        displayError("Invalid Modifier Node: inMesh and outMesh attributes are required.");
    return node;
}

MStatus polyModifierCmd::connectModifierNode(const MObject& modifierNode) {
    const MObject meshNode = targetPath_.node();
    const MObject meshTransform = MFnDagNode(meshNode).parent(0);
    const MPlug meshInMesh = MFnDependencyNode(meshNode).findPlug("inMesh", true);

    MObject upstreamNode;
    MPlug upstreamPlug;
    if (hasHistory_) {
        MPlugArray sources;
        meshInMesh.connectedTo(sources, true, false);
        upstreamPlug = sources[0];
        upstreamNode = upstreamPlug.node();
        dgModifier_.disconnect(upstreamPlug, meshInMesh);
    } else {
        const MObject duplicateTransform = MFnDagNode(meshTransform).duplicate(false, false);
        const MObject duplicateShape = MFnDagNode(duplicateTransform).child(0);
        dagModifier_.reparentNode(duplicateShape, meshTransform);
        dagModifier_.doIt();
        MFnDagNode intermediate(duplicateShape);
        intermediate.setIntermediateObject(true);
        upstreamNode = duplicateShape;
        upstreamPlug = MPlug(duplicateShape, intermediate.attribute("outMesh"));
        dagModifier_.deleteNode(duplicateTransform);
        dagModifier_.doIt();
        intermediate.getPath(duplicatePath_);
        duplicateCleanup_.deleteNode(duplicateTransform);
    }

    const MFnDependencyNode modifier(modifierNode);
    const MObject modifierOutMesh = modifier.attribute("outMesh");
    const MObject modifierInMesh = modifier.attribute("inMesh");
    moveTweaksToTweakNode(upstreamNode);
    if (hasTweaks_) {
        const MFnDependencyNode tweak(tweakNode_);
        dgModifier_.connect(upstreamPlug, MPlug(tweakNode_, tweak.attribute("inputPolymesh")));
        dgModifier_.connect(MPlug(tweakNode_, tweak.attribute("output")), MPlug(modifierNode, modifierInMesh));
    } else {
        dgModifier_.connect(upstreamPlug, MPlug(modifierNode, modifierInMesh));
    }
    dgModifier_.connect(MPlug(modifierNode, modifierOutMesh), meshInMesh);
    return dgModifier_.doIt();
}

void polyModifierCmd::moveTweaksToTweakNode(const MObject& upstreamShape) {
    tweakIndices_.clear();
    tweakVectors_.clear();
    if (!hasTweaks_) return;
    tweakNode_ = dgModifier_.createNode("polyTweak");
    const MPlug tweakArray(tweakNode_, MFnDependencyNode(tweakNode_).attribute("tweak"));
    const MPlug pnts = MFnDependencyNode(targetPath_.node()).findPlug("pnts", true);

    std::vector<MObject> values;
    std::vector<std::vector<ChildConnections>> connections;
    for (unsigned i = 0; i < pnts.numElements(); ++i) {
        const MPlug element = pnts.elementByPhysicalIndex(i);
        if (element.isNull()) continue;
        tweakIndices_.append(static_cast<int>(element.logicalIndex()));
        MObject value;
        element.getValue(value);
        values.push_back(value);
        float x = 0.0f, y = 0.0f, z = 0.0f;
        MFnNumericData(value).getData(x, y, z);
        tweakVectors_.append(MFloatVector(x, y, z));
        std::vector<ChildConnections>& children = connections.emplace_back(element.numChildren());
        for (unsigned c = 0; c < element.numChildren(); ++c) {
            const MPlug child = element.child(c);
            if (!child.isConnected()) continue;
            child.connectedTo(children[c].fed, false, true);
            for (unsigned j = 0; j < children[c].fed.length(); ++j)
                dgModifier_.disconnect(child, children[c].fed[j]);
            child.connectedTo(children[c].feeding, true, false);
            for (unsigned j = 0; j < children[c].feeding.length(); ++j)
                dgModifier_.disconnect(children[c].feeding[j], child);
        }
    }

    for (unsigned k = 0; k < tweakIndices_.length(); ++k) {
        MPlug element = tweakArray.elementByLogicalIndex(static_cast<unsigned>(tweakIndices_[k]));
        element.setValue(values[k]);
        for (unsigned c = 0; c < connections[k].size(); ++c) {
            const MPlug child = element.child(c);
            for (unsigned j = 0; j < connections[k][c].fed.length(); ++j)
                dgModifier_.connect(child, connections[k][c].fed[j]);
            for (unsigned j = 0; j < connections[k][c].feeding.length(); ++j)
                dgModifier_.connect(connections[k][c].feeding[j], child);
        }
    }

    zeroMeshTweaks(targetPath_.node());
    if (!hasHistory_ && recordsHistory_) zeroMeshTweaks(upstreamShape);
}

void polyModifierCmd::zeroMeshTweaks(const MObject& shape) const {
    const MObject zero = zeroTweak();
    const MPlug pnts = MFnDependencyNode(shape).findPlug("pnts", true);
    for (unsigned k = 0; k < tweakIndices_.length(); ++k)
        pnts.elementByLogicalIndex(static_cast<unsigned>(tweakIndices_[k])).setValue(zero);
}

void polyModifierCmd::keepMeshCopy() {
    const MObject duplicate = MFnDagNode(targetPath_.node()).duplicate();
    MDagPath shape;
    MDagPath::getAPathTo(duplicate, shape);
    shape.extendToShape();
    // The copy is the mesh without its tweaks: undo puts it back below the tweaks, which the
    // mesh keeps.
    keepTweaks();
    zeroMeshTweaks(shape.node());
    MFnDependencyNode(shape.node()).findPlug("outMesh", true).getValue(meshCopy_);
    MGlobal::deleteNode(duplicate);
}

void polyModifierCmd::keepTweaks() {
    tweakIndices_.clear();
    tweakVectors_.clear();
    if (!hasTweaks_) return;
    const MPlug pnts = MFnDependencyNode(targetPath_.node()).findPlug("pnts", true);
    for (unsigned i = 0; i < pnts.numElements(); ++i) {
        const MPlug element = pnts.elementByPhysicalIndex(i);
        if (element.isNull()) continue;
        MObject value;
        element.getValue(value);
        float x = 0.0f, y = 0.0f, z = 0.0f;
        MFnNumericData(value).getData(x, y, z);
        tweakIndices_.append(static_cast<int>(element.logicalIndex()));
        tweakVectors_.append(MFloatVector(x, y, z));
    }
}

MStatus polyModifierCmd::reapplyModifier() {
    if (!hasHistory_ && !recordsHistory_) return modifyMeshDirectly(targetPath_.node());
    if (!hasHistory_) {
        duplicateCleanup_.undoIt();
        dagModifier_.doIt();
    }
    // Undo gave the mesh its tweaks back; the tweak node holds them again once reconnected.
    if (hasTweaks_) zeroMeshTweaks(targetPath_.node());
    return dgModifier_.doIt();
}

MStatus polyModifierCmd::revertModifier() {
    if (!hasHistory_ && !recordsHistory_) {
        restoreDirectChange();
        return MStatus::kSuccess;
    }
    dgModifier_.undoIt();
    if (!hasHistory_) {
        restoreFromIntermediate();
        dagModifier_.undoIt();
        duplicateCleanup_.doIt();
    }
    return restoreTweaks();
}

void polyModifierCmd::restoreDirectChange() {
    const MObject meshNode = targetPath_.node();
    const MFnDependencyNode mesh(meshNode);
    if (!hasTweaks_) {
        mesh.findPlug("outMesh", true).setValue(meshCopy_);
        return;
    }
    const MPlug inMesh = mesh.findPlug("inMesh", true);
    const MString name = mesh.name();
    const MObject duplicate = MFnDagNode(meshNode).duplicate();
    MDagPath shape;
    MDagPath::getAPathTo(duplicate, shape);
    shape.extendToShape();
    MPlug duplicateOutMesh = MFnDependencyNode(shape.node()).findPlug("outMesh", true);
    duplicateOutMesh.setValue(meshCopy_);
    MDGModifier feed;
    feed.connect(duplicateOutMesh, inMesh);
    feed.doIt();
    MGlobal::executeCommand("dgeval -src " + name + ".inMesh", false, false);
    feed.undoIt();
    MGlobal::deleteNode(duplicate);
    restoreTweaks();
}

void polyModifierCmd::restoreFromIntermediate() {
    const MFnDependencyNode mesh(targetPath_.node());
    const MString name = mesh.name();
    const MPlug inMesh = mesh.findPlug("inMesh", true);
    MPlug outMesh = mesh.findPlug("outMesh", true);
    const MPlug intermediateOutMesh = MFnDependencyNode(duplicatePath_.node()).findPlug("outMesh", true);
    if (hasTweaks_) {
        MDGModifier feed;
        feed.connect(intermediateOutMesh, inMesh);
        feed.doIt();
        MGlobal::executeCommand("dgeval -src " + name + ".inMesh", false, false);
        feed.undoIt();
        return;
    }
    MObject copy;
    intermediateOutMesh.getValue(copy);
    outMesh.setValue(copy);
}

MStatus polyModifierCmd::restoreTweaks() {
    if (!hasTweaks_) return MStatus::kSuccess;
    const MPlug pnts = MFnDependencyNode(targetPath_.node()).findPlug("pnts", true);
    MStatus status;
    for (unsigned i = 0; i < tweakIndices_.length(); ++i) {
        MFnNumericData numbers;
        const MObject value = numbers.create(MFnNumericData::k3Float);
        numbers.setData(tweakVectors_[i].x, tweakVectors_[i].y, tweakVectors_[i].z);
        const MStatus set = pnts.elementByLogicalIndex(static_cast<unsigned>(tweakIndices_[i])).setValue(value);
        if (!set) status = set;
    }
    return status;
}
