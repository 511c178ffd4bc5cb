// The item table of a result file: one entry per item, in the order the values follow.
#ifndef K7T_ITEM_TABLE_H
#define K7T_ITEM_TABLE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "result_header.h"

namespace k7t::detail {

struct ItemRecord {
    std::int32_t id = 0;
    std::int32_t location = 0;
    std::string name, unit;
    std::uint64_t valueCount = 0;  // cavity node or element count, by location
    std::uint64_t valuesAt = 0;    // byte offset of the first value in the file
};

// Location of one raw table entry; the only field the file's length depends on.
std::int32_t entryLocation(const unsigned char* entry);
bool isValidLocation(std::int32_t location);

// Decodes the whole table (`table` holds itemCount entries) and places each item's values
// after the table, in table order. The header's counts and the file's length must already
// agree with the locations.
std::vector<ItemRecord> decodeItemTable(const unsigned char* table, const ResultHeader& header);

// Item indices sorted by id (ties by table position): the lookup order for fetching by id.
std::vector<std::size_t> orderById(const std::vector<ItemRecord>& items);

// The earliest table entry whose id an earlier entry already uses (`later`), with that earlier
// entry (`earlier`); false when every id is distinct. `order` comes from orderById.
bool findRepeatedId(const std::vector<ItemRecord>& items, const std::vector<std::size_t>& order,
                    std::size_t& earlier, std::size_t& later);

}  // namespace k7t::detail

#endif
