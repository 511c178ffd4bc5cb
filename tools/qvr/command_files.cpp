#include "command_files.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>

#include "cli_support.h"
#include "common/output_file.h"
#include "common/whole_file.h"

namespace qvr::cli {

namespace {

std::string stagingNameFor(const std::string& input) {
    std::random_device entropy;
    const std::string ext = std::filesystem::path(input).extension().string();
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec) folder = ".";
    return (folder / ("qvr-input-" + std::to_string(entropy()) + std::to_string(entropy()) + ext))
        .string();
}

// Two names of one file: equal after resolving links and dots, or the same inode when both
// exist (hard links, bind mounts).
bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        const bool same = fs::equivalent(a, b, ec);
        if (!ec) return same;
    }
    const fs::path ca = fs::weakly_canonical(a, ec);
    if (ec) return a == b;
    const fs::path cb = fs::weakly_canonical(b, ec);
    if (ec) return a == b;
    return ca == cb;
}

}  // namespace

StagedInput::StagedInput(const std::string& path) : name_(path), path_(path) {
    if (common::isRegularFile(path.c_str())) return;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return;  // the reader names what is missing
    std::string data, reason;
    if (!common::readWholeFile(path.c_str(), data, reason)) failFile(path + ": " + reason);
    common::OutputFile copy;
    const std::string target = stagingNameFor(path);
    if (!copy.open(target, reason)) failFile(path + ": cannot keep a copy of the input: " + reason);
    copy.append(data);
    if (!copy.close(reason)) failFile(path + ": cannot keep a copy of the input: " + reason);
    copy_ = target;
    path_ = target;
}

StagedInput::~StagedInput() {
    if (!copy_.empty()) std::remove(copy_.c_str());
}

void checkDistinctFiles(const std::vector<NamedFile>& inputs, const std::vector<NamedFile>& outputs) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const NamedFile& out = outputs[i];
        if (out.path.empty()) continue;
        for (const NamedFile& in : inputs)
            if (!in.path.empty() && sameFile(out.path, in.path))
                failUsage(out.role + " " + out.path + " names the input " + in.role + " " + in.path +
                          ": write the output to another file");
        for (std::size_t j = 0; j < i; ++j)
            if (!outputs[j].path.empty() && sameFile(out.path, outputs[j].path))
                failUsage(out.role + " " + out.path + " and " + outputs[j].role + " " +
                          outputs[j].path + " name the same file");
    }
}

}  // namespace qvr::cli
