// A private folder under the system's temporary directory for the generated parts of one run,
// removed with everything in it when the object goes.
#ifndef QVR_BENCH_SCRATCH_FOLDER_H
#define QVR_BENCH_SCRATCH_FOLDER_H

#include <filesystem>
#include <string>

namespace qvr::bench {

class ScratchFolder {
public:
    // Throws std::runtime_error when no folder can be made.
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace qvr::bench

#endif
