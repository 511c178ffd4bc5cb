// A result file that has been read and checked: its header, its items and their raw values.
#ifndef K7T_OPEN_RESULT_H
#define K7T_OPEN_RESULT_H

#include <cstddef>
#include <string>
#include <vector>

#include "item_table.h"
#include "result_header.h"

namespace k7t::detail {

struct OpenResult {
    ResultHeader header;
    std::vector<ItemRecord> items;     // table order
    std::vector<std::size_t> idOrder;  // item indices sorted by id
    std::vector<unsigned char> body;   // every byte after the header: table, then values

    // The item with this id, or null.
    const ItemRecord* find(int id) const;
    // Writes the item's values to values[1..valueCount].
    void copyValues(const ItemRecord& item, float* values) const;
};

// Reads and checks the whole file. Returns 0 and fills `result`, or the failure code of
// BeginReading with a one-line reason; `result` is then untouched.
int loadResultFile(const char* fileName, OpenResult& result, std::string& reason);

}  // namespace k7t::detail

#endif
