#include "command_files.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "cli_support.h"
#include "common/output_file.h"
#include "common/whole_file.h"
#include "utf8_file_name.h"

namespace qvr::cli {

namespace {

std::string stagingName() {
    std::random_device entropy;
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) folder = ".";
    return (folder / ("qvr-input-" + std::to_string(entropy()) + std::to_string(entropy())))
        .string();
}

// Two names of one file: equal after resolving links and dots, or the same inode when both
// exist (hard links, bind mounts).
bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path pa = qvr_file_names::pathFromName(a.c_str());
    const fs::path pb = qvr_file_names::pathFromName(b.c_str());
    if (fs::exists(pa, ec) && fs::exists(pb, ec)) {
        const bool same = fs::equivalent(pa, pb, ec);
        if (!ec) return same;
    }
    const fs::path ca = fs::weakly_canonical(pa, ec);
    if (ec) return a == b;
    const fs::path cb = fs::weakly_canonical(pb, ec);
    if (ec) return a == b;
    return ca == cb;
}

}  // namespace

StagedInput::StagedInput(const std::string& path) : name_(path), path_(path) {
    if (common::isRegularFile(path.c_str())) return;
    std::error_code ec;
    if (!std::filesystem::exists(qvr_file_names::pathFromName(path.c_str()), ec))
        return;  // the reader names what is missing
    std::string data, reason;
    if (!common::readWholeFile(path.c_str(), data, reason)) failFile(path + ": " + reason);
    common::OutputFile copy;
    const std::string target = stagingName();
    if (!copy.open(target, reason)) failFile(path + ": cannot keep a copy of the input: " + reason);
    copy.append(data);
    if (!copy.close(reason)) failFile(path + ": cannot keep a copy of the input: " + reason);
    copy_ = target;
    path_ = target;
    interruptTicket_ = common::removeOnInterrupt(copy_);
}

StagedInput::~StagedInput() {
    common::keepOnInterrupt(interruptTicket_);
    if (!copy_.empty()) qvr_file_names::removeFile(copy_.c_str());
}

void checkDistinctFiles(const std::vector<NamedFile>& inputs,
                        const std::vector<NamedFile>& outputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const NamedFile& out = outputs[i];
        if (out.path.empty()) continue;
        for (const NamedFile& in : inputs)
            if (!in.path.empty() && sameFile(out.path, in.path))
                failUsage(out.role + " " + out.path + " names the input " + in.role + " " +
                          in.path + ": write the output to another file");
        for (std::size_t j = 0; j < i; ++j)
            if (!outputs[j].path.empty() && sameFile(out.path, outputs[j].path))
                failUsage(out.role + " " + out.path + " and " + outputs[j].role + " " +
                          outputs[j].path + " name the same file");
    }
}

}  // namespace qvr::cli
