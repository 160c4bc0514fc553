#include "FuzzInput.h"

#include "hostapi/MeshData.h"
#include "hostapi/ObjFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fuzz {

std::vector<std::string> flagsOf(std::string_view input) {
    constexpr std::string_view marker = "# varnelle ";
    if (input.substr(0, marker.size()) != marker) return {};
    std::istringstream line(std::string(input.substr(marker.size(), input.find('\n') - marker.size())));
    std::vector<std::string> flags;
    std::string word;
    while (line >> word) {
        if (word == "-o" || word == "--svg") {
            line >> word;
            continue;
        }
        flags.push_back(word);
    }
    return flags;
}

size_t firstMeshTriangles(std::string_view input) {
    std::istringstream stream{std::string(input)};
    try {
        const std::vector<MObject> meshes = readObj(stream, "input.obj");
        return static_cast<size_t>(meshes.front().as<MeshData>()->numTriangles());
    } catch (const FileError&) {
        return 0;
    }
}

void require(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

ScratchFolder::ScratchFolder()
    : folder_(std::filesystem::temp_directory_path() / ("varnelle-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(folder_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

std::string ScratchFolder::write(const std::string& name, std::string_view content) const {
    const std::string file = path(name);
    std::ofstream(file, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
    return file;
}

} // namespace fuzz
