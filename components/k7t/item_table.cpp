#include "item_table.h"

#include <algorithm>
#include <numeric>

#include "common/little_endian.h"
#include "k7t_layout.h"

namespace k7t::detail {

using namespace qvr::common::le;

std::int32_t entryLocation(const unsigned char* entry) {
    return loadI32(entry + layout::kEntryLocationAt);
}

bool isValidLocation(std::int32_t location) {
    return location == layout::kPerNode || location == layout::kPerElement;
}

std::vector<ItemRecord> decodeItemTable(const unsigned char* table, const ResultHeader& header) {
    const auto count = static_cast<std::size_t>(header.itemCount);
    std::vector<ItemRecord> items(count);
    std::uint64_t valuesAt = layout::kHeaderSize + count * layout::kEntrySize;
    for (std::size_t k = 0; k < count; ++k) {
        const unsigned char* entry = table + k * layout::kEntrySize;
        ItemRecord& item = items[k];
        item.id = loadI32(entry + layout::kEntryIdAt);
        item.location = entryLocation(entry);
        item.name = fixedWidthText(entry + layout::kEntryNameAt, layout::kNameWidth);
        item.unit = fixedWidthText(entry + layout::kEntryUnitAt, layout::kUnitWidth);
        item.valueCount = static_cast<std::uint64_t>(
            item.location == layout::kPerNode ? header.nodeCount : header.elemCount);
        item.valuesAt = valuesAt;
        valuesAt += item.valueCount * layout::kValueSize;
    }
    return items;
}

std::vector<std::size_t> orderById(const std::vector<ItemRecord>& items) {
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return items[a].id != items[b].id ? items[a].id < items[b].id : a < b;
    });
    return order;
}

bool findRepeatedId(const std::vector<ItemRecord>& items, const std::vector<std::size_t>& order,
                    std::size_t& earlier, std::size_t& later) {
    // In id order a repeated id forms a run whose first two members are its first use and
    // its first repeat (ties are in table order).
    bool found = false;
    for (std::size_t k = 1; k < order.size(); ++k) {
        const bool runStart = (k == 1 || items[order[k - 2]].id != items[order[k - 1]].id);
        if (!runStart || items[order[k]].id != items[order[k - 1]].id) continue;
        if (!found || order[k] < later) {
            earlier = order[k - 1];
            later = order[k];
            found = true;
        }
    }
    return found;
}

}  // namespace k7t::detail
