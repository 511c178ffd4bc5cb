#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "FuzzHarness.h"

namespace qvr::fuzz {

std::string scratchFile(const std::string& suffix) {
    // Hundreds of thousands of inputs go through these files: keep them off the disk when the
    // system offers a RAM disk.
    std::error_code ec;
    const std::filesystem::path shm("/dev/shm");
    const std::filesystem::path dir =
        std::filesystem::is_directory(shm, ec) ? shm : std::filesystem::temp_directory_path();
    return (dir / ("qvr-fuzz-" + std::to_string(::getpid()) + "-" + suffix)).string();
}

std::string scratchCopy(const std::string& suffix, const std::uint8_t* data, std::size_t size) {
    const std::string path = scratchFile(suffix);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return out ? path : "";
}

}  // namespace qvr::fuzz
