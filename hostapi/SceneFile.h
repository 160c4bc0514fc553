#pragma once

#include "AtomicFile.h"
#include "SceneNode.h"

#include <memory>
#include <string>
#include <vector>

// The scene as a text file, one statement a line ("#" starts a comment line):
//
//   varnelle scene 1                        first line
//   requires PLUGIN                         a plug-in whose node types the scene uses
//   history 0|1                             the construction-history switch
//   node TYPE NAME [PARENT]                 a node, under PARENT in the DAG when given
//   attr ATTRIBUTE[INDEX] WORDS...          a value of the node above, as getAttr prints it
//   mesh ATTRIBUTE POINTS FACES UVSETS      mesh data of the node above, followed by
//     v X Y Z                               POINTS lines,
//     f N V1 ... VN                         FACES lines (vertex indices from 0),
//     uvset NAME UVS CURRENT                per UV set (CURRENT 1 for the current set),
//     vt U V                                UVS lines,
//     fuv ID...                             and the UV of every face-vertex (-1 for none)
//   connect NODE.ATTRIBUTE NODE.ATTRIBUTE   a connection, source first
//   select NAME                             a selected node
//
// Words with blanks, quotes or backslashes are written in double quotes. Only values that
// differ from the attribute's default are written, and no value a connection or a
// computation gives.
//
// Writes the scene atomically; throws FileError when it cannot.
void saveScene(const std::string& path);
// Replaces the scene by the file's, loading the plug-ins it requires; throws FileError naming
// the file and line for anything it cannot read (the scene is then empty but for the default
// cameras).
void openScene(const std::string& path);

// Adds every mesh of an OBJ file to the scene: a transform named after the mesh's object (or
// the file's stem) and below it a mesh shape named after the transform with "Shape"
// appended. Returns the new transforms; throws FileError for a file that cannot be read.
std::vector<std::shared_ptr<SceneNode>> importObjIntoScene(const std::string& path);

// Writes the mesh of the first selected mesh (or transform of one) as an OBJ file; throws
// FileError when nothing suitable is selected or the file cannot be written.
void exportSelectedMesh(const std::string& path);
