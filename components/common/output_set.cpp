#include "common/output_set.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "common/held_interrupts.h"
#include "utf8_file_name.h"

namespace qvr::common {

OutputSet::~OutputSet() {
    for (auto& file : files_)
        if (file) file->discard();
}

void OutputSet::adopt(std::unique_ptr<OutputFile> file) { files_.push_back(std::move(file)); }

void OutputSet::retire(const std::string& path) { retired_.push_back(path); }

bool OutputSet::publish(std::string& reason) {
    {
        const HeldInterrupts held;
        for (auto& file : files_) {
            if (!file->publish(reason)) {
                reason = file->path() + ": " + reason;
                return false;
            }
        }
        for (const std::string& path : retired_) {
            std::error_code ec;
            std::filesystem::remove(qvr_file_names::pathFromName(path.c_str()), ec);
        }
    }
    files_.clear();
    retired_.clear();
    return true;
}

}  // namespace qvr::common
