// k7t::read: the whole file through the reader's own calls, so tools see exactly what the
// library sees.
#include <array>

#include "CQVR3DResultReader_Manipulator.h"
#include "k7t_layout.h"

namespace k7t {

namespace {

// Text buffers one byte wider than the file's fields: a field may fill its whole width.
using ItemText = std::array<char, layout::kNameWidth + 1>;

}  // namespace

bool read(const std::string& path, ResultFile& file, std::string* error) {
    CQVR3DResultReader_Manipulator reader;
    if (reader.BeginReading(path.c_str(), nullptr) != kOpened) {
        if (error) *error = reader.GetLastError();
        return false;
    }
    ResultFile loaded;
    std::array<char, layout::kProjectWidth + 1> project{};
    std::array<char, layout::kRunWidth + 1> run{};
    std::array<char, layout::kDateWidth + 1> date{};
    int itemCount = 0;
    loaded.resultVersion = reader.GetResultVersion();
    reader.GetHeadInfo(loaded.analysisType, loaded.solverVersion, project.data(), run.data(),
                       date.data(), loaded.timeSteps, itemCount);
    loaded.project = project.data();
    loaded.run = run.data();
    loaded.date = date.data();
    loaded.nodeCount = reader.GetMaxCavityNode();
    loaded.elemCount = reader.GetMaxCavityElem();

    const auto count = static_cast<std::size_t>(itemCount);
    std::vector<int> ids(count), locations(count);
    std::vector<ItemText> names(count), units(count);
    std::vector<char*> namePointers(count), unitPointers(count);
    for (std::size_t k = 0; k < count; ++k) {
        namePointers[k] = names[k].data();
        unitPointers[k] = units[k].data();
    }
    reader.GetResultItemInfo(ids.data(), namePointers.data(), unitPointers.data(),
                             locations.data());

    loaded.items.resize(count);
    std::vector<float> values;
    for (std::size_t k = 0; k < count; ++k) {
        ResultItem& item = loaded.items[k];
        item.id = ids[k];
        item.location = locations[k];
        item.name = names[k].data();
        item.unit = units[k].data();
        const std::int64_t valueCount =
            item.location == layout::kPerNode ? loaded.nodeCount : loaded.elemCount;
        values.assign(static_cast<std::size_t>(valueCount) + 1, 0.0f);
        reader.GetResultItem(item.id, values.data());
        item.values.assign(values.begin() + 1, values.end());
    }
    reader.EndReading();
    file = std::move(loaded);
    return true;
}

}  // namespace k7t
