#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// What the fuzz targets share: the input as mesh text, the flags it may carry, and a folder
// of the process's own for the files a subcommand reads and writes.
namespace fuzz {

inline std::string_view text(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The words of a first line "# varnelle WORD..." (flags for the run, so that the fuzzer
// mutates them too); empty without one. Output flags (-o, --svg) and their values are
// dropped: a run writes only where the target says.
std::vector<std::string> flagsOf(std::string_view input);

// The number of triangles of the first mesh the input holds, 0 when it is no mesh file.
size_t firstMeshTriangles(std::string_view input);

// Stops the process with a message when a run broke a promise no input may break.
void require(bool holds, const char* promise);

// A folder under the system's temporary folder, removed when the process ends normally.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    // Writes the input as the file `name` and returns its path.
    std::string write(const std::string& name, std::string_view content) const;

private:
    std::filesystem::path folder_;
};

} // namespace fuzz
