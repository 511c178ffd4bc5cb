// The files a command names: inputs that are read once whatever they are, and outputs that
// never name an input or each other.
#ifndef QVR_CLI_COMMAND_FILES_H
#define QVR_CLI_COMMAND_FILES_H

#include <string>
#include <vector>

namespace qvr::cli {

// An input as the readers and the library see it. A regular file is used where it is. Anything
// else that can be read (a named pipe, /dev/stdin fed by another program) is read once, up to
// the whole-file reader's bound, into a private temporary file that the readers then open as
// often as they need; the copy is removed with the object. Devices and directories are refused
// (CliError, file) without being read.
class StagedInput {
public:
    explicit StagedInput(const std::string& path);
    ~StagedInput();
    StagedInput(const StagedInput&) = delete;
    StagedInput& operator=(const StagedInput&) = delete;

    const std::string& path() const { return path_; }  // what to open
    const std::string& name() const { return name_; }  // what the user named

private:
    std::string name_, path_, copy_;
    int interruptTicket_ = -1;
};

struct NamedFile {
    std::string role;  // "OUT_NQB", "--fiber", ...
    std::string path;
};

// Throws CliError (usage) when an output names an input or another output: the same path, or
// another path to the same file (a link, "./", a hard link). Empty paths are skipped.
void checkDistinctFiles(const std::vector<NamedFile>& inputs,
                        const std::vector<NamedFile>& outputs);

}  // namespace qvr::cli

#endif
