#include "CommandLine.h"

#include "host/UnwrapCommandSyntax.h"
#include "hostapi/MArgDatabase.h"
#include "hostapi/ObjFile.h"

SubcommandWords splitMeshPath(const std::vector<std::string>& words, const char* subcommand) {
    if (words.empty() || (words[0].size() > 1 && words[0][0] == '-'))
        throw UsageError(std::string(subcommand) + " needs a mesh file (MESH.obj) as its first argument");
    return {words[0], std::vector<std::string>(words.begin() + 1, words.end())};
}

const std::string& outputFileName(const std::string& flag, const std::string& value) {
    if (value.empty()) throw UsageError(flag + " needs a file name, not ''");
    return value;
}

UnwrapSettings parseUnwrapFlags(const std::vector<std::string>& words) {
    std::vector<const char*> pointers;
    for (const std::string& word : words)
        pointers.push_back(word.c_str());
    const MArgList arguments(static_cast<int>(pointers.size()), pointers.data());
    const MSyntax syntax = unwrapCommandSyntax();
    MStatus status;
    const MArgDatabase database(syntax, arguments, &status);
    if (!status) throw UsageError(database.errorText());
    UnwrapSettings settings = UnwrapSettings::commandDefaults();
    readUnwrapFlags(database, settings);
    return settings;
}

MObject loadFirstMesh(const std::string& path) {
    const std::vector<MObject> meshes = importObj(path);
    return meshes.front();
}
