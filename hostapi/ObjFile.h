#pragma once

#include "AtomicFile.h"
#include "MObject.h"

#include <istream>
#include <ostream>
#include <string>
#include <vector>

// Lines longer than this are taken for a file that is not a text mesh file.
constexpr size_t kLongestObjLine = size_t{64} << 20;

// Reads an OBJ file into host meshes: one mesh per `o` object (one for the whole file when
// it names none), polygons kept as polygons, texture coordinates as the UV set "map1".
// Throws FileError with "FILE:LINE: problem" (or "FILE: problem") for an unreadable file, a
// line longer than kLongestObjLine, a malformed line or corner, an index out of range, a
// coordinate that is not a finite number within the range of 32-bit floats, a face with
// fewer than three different vertices or one that comes back to a vertex after others,
// or a file without polygons. Normal indices are checked like the others; the normals
// themselves are not read. A face that lists one vertex at two neighbouring corners keeps
// the first of them (the edge between them has length zero).
std::vector<MObject> importObj(const std::string& path);

// The same from a stream; `name` stands for the file in messages and names the first object.
std::vector<MObject> readObj(std::istream& in, const std::string& name, size_t longestLine = kLongestObjLine);

// Writes the meshes with their current UV sets as one OBJ file, atomically. Refuses to
// write over `protectedInput` (the file the meshes were read from) with FileError.
void exportObj(const std::string& path, const std::vector<MObject>& meshes, const std::string& protectedInput = "");

// The same OBJ text written to a stream.
void writeObj(std::ostream& out, const std::vector<MObject>& meshes);
