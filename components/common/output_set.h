// Output files replaced together: each is written completely under its temporary name first,
// and only when every one is complete are they renamed over their targets, one after another
// in the order they joined the set.
//
// What an interruption leaves:
//   - before publish() (a write failed, a full disk, Ctrl-C, SIGTERM, an exception): every
//     target as it was; the temporary files are removed (by the destructor, or by the interrupt
//     handler of output_file.h).
//   - during publish(): SIGINT and SIGTERM are held back while the renames run (a few system
//     calls) and take effect after the last one, so Ctrl-C still leaves either the old set or
//     the new one. Where signals cannot be held (Windows), and after SIGKILL, a crash or a power
//     loss between two renames, the first files are new and the rest old; the rest then stay
//     behind under their temporary names ("." + name + "." + hex + ".tmp").
//   - a rename that fails (the target became a folder, permissions changed): publish() stops
//     there and reports it; the files renamed before it are new, the others unchanged.
#ifndef QVR_COMMON_OUTPUT_SET_H
#define QVR_COMMON_OUTPUT_SET_H

#include <memory>
#include <string>
#include <vector>

#include "common/output_file.h"

namespace qvr::common {

class OutputSet {
public:
    OutputSet() = default;
    ~OutputSet();  // discards the files not yet published
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;

    // Takes a file whose finish() succeeded; it is renamed by publish().
    void adopt(std::unique_ptr<OutputFile> file);

    // An earlier output the set supersedes under another name (the plain form of a file now
    // written compressed): removed after the renames, when it exists.
    void retire(const std::string& path);

    // Renames every adopted file over its target in the order adopted, then removes the retired
    // files. False with the first failure's reason.
    bool publish(std::string& reason);

    std::size_t size() const { return files_.size(); }

private:
    std::vector<std::unique_ptr<OutputFile>> files_;
    std::vector<std::string> retired_;
};

}  // namespace qvr::common

#endif
