// A file being written: buffered writes to a temporary name beside the target, renamed over the
// target only when everything reached the disk.
//
// A failed or interrupted write therefore leaves the target as it was (the previous file, or
// nothing), never half of a new one: a full disk, a crash or Ctrl-C cannot destroy an input that
// is being rewritten in place. The temporary file sits in the target's folder, so the rename
// stays within one file system and replaces the target in one step. It is removed when the
// write fails or the object is destroyed before close(); after SIGKILL it stays behind under
// its temporary name ("." + target name + "." + random hex + ".tmp").
#ifndef QVR_COMMON_OUTPUT_FILE_H
#define QVR_COMMON_OUTPUT_FILE_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace qvr::common {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // discards the temporary file unless close() succeeded
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file beside `path`. False with a reason when it cannot be created.
    bool open(const std::string& path, std::string& reason);

    // Room for `bytes` more bytes at the end of the buffer; write them, then commit(bytes).
    char* reserve(std::size_t bytes);
    void commit(std::size_t bytes) { used_ += bytes; }
    void append(std::string_view text);

    // Flushes, closes and renames the temporary file over the target. False with a reason when
    // any write, the close or the rename failed; the target is then unchanged.
    bool close(std::string& reason) { return finish(reason) && publish(reason); }

    // close() in two steps, for files replaced as a set (output_set.h). finish() flushes and
    // closes the temporary file, which stays under its temporary name (and is still removed by
    // an interrupt or by the destructor); publish() renames it over the target. Each gives
    // false with a reason when it fails, and the target is then unchanged.
    bool finish(std::string& reason);
    bool publish(std::string& reason);

    // Drops what was written; the target is unchanged.
    void discard();

    const std::string& path() const { return path_; }
    const std::string& temporaryPath() const { return temporary_; }

private:
    void flush();

    std::string path_, temporary_;
    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
    bool failed_ = false;
    bool finished_ = false;
    int errorCode_ = 0;
    int registration_ = -1;
};

// A file of the program's own (a private copy of an input) that the interrupt handler removes
// as well; the returned ticket (-1 when the name could not be kept) gives it up again.
int removeOnInterrupt(const std::string& path);
void keepOnInterrupt(int ticket);

// For a program's interrupt handler: removes every temporary file an OutputFile holds open at
// the moment, and the files given to removeOnInterrupt. Touches only preallocated state, so a
// SIGINT or SIGTERM handler may call it.
void removeOpenTemporaryFiles();

// Installs handlers for SIGINT and SIGTERM that remove the open temporary files and then end
// the process as the signal would have. For programs, never called by the libraries.
void removeTemporaryFilesOnInterrupt();

}  // namespace qvr::common

#endif
