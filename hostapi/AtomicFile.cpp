#include "AtomicFile.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path temporaryBeside(const fs::path& target) {
    std::random_device device;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string name = target.filename().string();
    name.insert(0, 1, '.');
    name += ".tmp";
    name += std::to_string(device());
    return folder / name;
}

} // namespace

void writeFileAtomically(const std::string& path, const std::function<void(std::ostream&)>& write) {
    const fs::path target(path);
    const fs::path temporary = temporaryBeside(target);
    try {
        {
            std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
            if (!stream) throw FileError(path + ": cannot create a file in this folder");
            write(stream);
            stream.flush();
            if (!stream) throw FileError(path + ": writing failed");
        }
        std::error_code error;
        fs::rename(temporary, target, error);
        if (error) throw FileError(path + ": cannot replace the file: " + error.message());
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

bool sameFile(const std::string& first, const std::string& second) {
    std::error_code error;
    return fs::equivalent(first, second, error) && !error;
}
