#include "CQVR3DResultReader_Manipulator.h"

#include <cstring>
#include <optional>

#include "open_result.h"

struct CQVR3DResultReader_Manipulator::Impl {
    std::optional<k7t::detail::OpenResult> file;
    std::string lastError;
};

namespace {

// Copies `text` with its terminating NUL; the callers' buffers are sized for the field widths.
void copyText(const std::string& text, char* target) {
    if (target == nullptr) return;
    std::memcpy(target, text.c_str(), text.size() + 1);
}

}  // namespace

CQVR3DResultReader_Manipulator::CQVR3DResultReader_Manipulator()
    : impl_(std::make_unique<Impl>()) {}

CQVR3DResultReader_Manipulator::~CQVR3DResultReader_Manipulator() = default;

int CQVR3DResultReader_Manipulator::BeginReading(const char* fileName, const char* /*second*/) {
    k7t::detail::OpenResult loaded;
    std::string reason;
    const int code = k7t::detail::loadResultFile(fileName, loaded, reason);
    if (code != k7t::kOpened) {
        impl_->lastError = std::move(reason);
        return code;
    }
    impl_->file = std::move(loaded);
    impl_->lastError.clear();
    return k7t::kOpened;
}

std::int64_t CQVR3DResultReader_Manipulator::GetResultVersion() {
    return impl_->file ? impl_->file->header.resultVersion : 0;
}

bool CQVR3DResultReader_Manipulator::GetHeadInfo(int& analysisType, int& solverVersion,
                                                 char* project, char* run, char* date,
                                                 int& timeSteps, int& itemCount) {
    if (!impl_->file) return false;
    const k7t::detail::ResultHeader& h = impl_->file->header;
    analysisType = h.analysisType;
    solverVersion = h.solverVersion;
    copyText(h.project, project);
    copyText(h.run, run);
    copyText(h.date, date);
    timeSteps = h.timeSteps;
    itemCount = h.itemCount;
    return true;
}

bool CQVR3DResultReader_Manipulator::GetResultItemInfo(int* ids, char** names, char** units,
                                                       int* locations) {
    if (!impl_->file) return false;
    const auto& items = impl_->file->items;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (ids) ids[k] = items[k].id;
        if (names) copyText(items[k].name, names[k]);
        if (units) copyText(items[k].unit, units[k]);
        if (locations) locations[k] = items[k].location;
    }
    return true;
}

std::int64_t CQVR3DResultReader_Manipulator::GetMaxCavityNode() const {
    return impl_->file ? impl_->file->header.nodeCount : 0;
}

std::int64_t CQVR3DResultReader_Manipulator::GetMaxCavityElem() const {
    return impl_->file ? impl_->file->header.elemCount : 0;
}

bool CQVR3DResultReader_Manipulator::GetResultItem(int id, float* values) {
    if (!impl_->file || values == nullptr) return false;
    const k7t::detail::ItemRecord* item = impl_->file->find(id);
    if (item == nullptr) return false;
    impl_->file->copyValues(*item, values);
    return true;
}

int CQVR3DResultReader_Manipulator::EndReading() {
    if (!impl_->file) return -1;
    impl_->file.reset();
    return 0;
}

const char* CQVR3DResultReader_Manipulator::GetLastError() const {
    return impl_->lastError.c_str();
}
