#include "open_result.h"

#include <algorithm>

#include "common/little_endian.h"
#include "k7t_layout.h"

namespace k7t::detail {

using namespace qvr::common::le;

const ItemRecord* OpenResult::find(int id) const {
    const auto at = std::lower_bound(idOrder.begin(), idOrder.end(), id,
                                     [&](std::size_t k, int key) { return items[k].id < key; });
    if (at == idOrder.end() || items[*at].id != id) return nullptr;
    return &items[*at];
}

void OpenResult::copyValues(const ItemRecord& item, float* values) const {
    const unsigned char* source = body.data() + (item.valuesAt - layout::kHeaderSize);
    for (std::uint64_t k = 0; k < item.valueCount; ++k) {
        values[k + 1] = loadF32(source + k * layout::kValueSize);
    }
}

}  // namespace k7t::detail
