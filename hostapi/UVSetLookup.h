#pragma once

#include "MString.h"
#include "MeshData.h"

// The named UV set, or the current one when no name is given; null when there is none.
inline const MeshUVSet* uvSetOf(const MeshData& mesh, const MString* name) {
    if (name) return mesh.findUVSet(name->str());
    return mesh.currentUVSet() >= 0 ? &mesh.uvSets()[mesh.currentUVSet()] : nullptr;
}

inline MeshUVSet* uvSetOf(MeshData& mesh, const MString* name) {
    return const_cast<MeshUVSet*>(uvSetOf(static_cast<const MeshData&>(mesh), name));
}
