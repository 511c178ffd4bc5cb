// A scratch folder for one test, removed with everything in it when the object goes.
#ifndef QVR_TESTS_TEMPDIR_H
#define QVR_TESTS_TEMPDIR_H

#include <unistd.h>
#include <atomic>
#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir() {
        static std::atomic<int> serial{0};
        path_ = std::filesystem::temp_directory_path() /
                ("qvr-test-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Full path of a file inside the folder.
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

#endif
