#pragma once

#include "AtomicFile.h"
#include "MObject.h"

#include <string>
#include <vector>

// Reads an OBJ file into host meshes: one mesh per `o` object (one for the whole file when
// it names none), polygons kept as polygons, texture coordinates as the UV set "map1".
// Throws FileError with "FILE:LINE: problem" (or "FILE: problem") for an unreadable file, a
// malformed line, an index out of range, a coordinate that is not a finite number, a face
// with fewer than three vertices or a file without polygons.
std::vector<MObject> importObj(const std::string& path);

// Writes the meshes with their current UV sets as one OBJ file, atomically. Refuses to
// write over `protectedInput` (the file the meshes were read from) with FileError.
void exportObj(const std::string& path, const std::vector<MObject>& meshes, const std::string& protectedInput = "");
