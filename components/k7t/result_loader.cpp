// BeginReading's work: every check runs on the header and the item table before anything is
// sized from the file's counts, so a damaged file can never make the reader allocate more than
// the file really holds.
#include <algorithm>
#include <array>
#include <limits>

#include "CQVR3DResultReader_Manipulator.h"
#include "common/little_endian.h"
#include "file_kind.h"
#include "input_file.h"
#include "k7t_layout.h"
#include "open_result.h"

namespace k7t::detail {

using namespace qvr::common::le;

namespace {

// Table entries examined per read while the locations are counted.
constexpr std::size_t kEntriesPerScan = 240;

class Failure {
public:
    explicit Failure(const char* fileName) : name_(fileName ? fileName : "(no file name)") {}

    int operator()(int code, std::string& reason, const std::string& what) const {
        reason = name_ + ": " + what;
        return code;
    }
    int at(std::uint64_t offset, int code, std::string& reason, const std::string& what) const {
        reason = name_ + ":" + std::to_string(offset) + ": " + what;
        return code;
    }

private:
    std::string name_;
};

std::string entryLabel(std::size_t index) {
    return "item table entry " + std::to_string(index + 1);
}

}  // namespace

int loadResultFile(const char* fileName, OpenResult& result, std::string& reason) {
    const Failure fail(fileName);
    InputFile file;
    std::string why;
    if (!file.open(fileName, why)) return fail(kCannotRead, reason, why);
    const std::uint64_t size = file.size();

    std::array<unsigned char, layout::kHeaderSize> head{};
    const std::size_t headBytes =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, layout::kHeaderSize));
    if (!file.readExact(head.data(), headBytes)) return fail(kCannotRead, reason, "read failed");

    switch (classifyLeadingBytes(head.data(), headBytes)) {
        case FileKind::Empty:
            return fail(kNotResultFile, reason, "the file is empty, not a result file");
        case FileKind::Text:
            return fail(
                kTextResultFile, reason,
                "a text result file; only binary result files (starting with K7TB) are read");
        case FileKind::Unknown:
            return fail(kNotResultFile, reason, "not a result file: it does not start with K7TB");
        case FileKind::Binary: break;
    }
    if (size < layout::kHeaderSize) {
        return fail(kDamaged, reason,
                    "truncated header: the file has " + std::to_string(size) +
                        " bytes, the header alone needs " + std::to_string(layout::kHeaderSize));
    }
    ResultHeader header;
    if (!decodeHeader(head.data(), header, why)) return fail(kDamaged, reason, why);

    const auto itemCount = static_cast<std::uint64_t>(header.itemCount);
    const std::uint64_t tableEnd = layout::kHeaderSize + itemCount * layout::kEntrySize;
    if (tableEnd > size) {
        return fail(kDamaged, reason,
                    "truncated item table: " + std::to_string(itemCount) + " entries end at byte " +
                        std::to_string(tableEnd) + ", the file has " + std::to_string(size));
    }

    // Count the items per location without keeping the table: the file's length follows.
    std::uint64_t perNode = 0, perElement = 0;
    std::array<unsigned char, kEntriesPerScan * layout::kEntrySize> scan{};
    for (std::uint64_t done = 0; done < itemCount;) {
        const auto batch =
            static_cast<std::size_t>(std::min<std::uint64_t>(itemCount - done, kEntriesPerScan));
        if (!file.readExact(scan.data(), batch * layout::kEntrySize)) {
            return fail(kCannotRead, reason, "read failed");
        }
        for (std::size_t k = 0; k < batch; ++k) {
            const unsigned char* entry = scan.data() + k * layout::kEntrySize;
            const std::int32_t location = entryLocation(entry);
            if (!isValidLocation(location)) {
                const std::uint64_t at = layout::kHeaderSize + (done + k) * layout::kEntrySize +
                                         layout::kEntryLocationAt;
                return fail.at(at, kDamaged, reason,
                               entryLabel(static_cast<std::size_t>(done + k)) + " (id " +
                                   std::to_string(loadI32(entry + layout::kEntryIdAt)) +
                                   "): location " + std::to_string(location) +
                                   " is neither 0 (per node) nor 1 (per element)");
            }
            ++(location == layout::kPerNode ? perNode : perElement);
        }
        done += batch;
    }
    const auto expected =
        expectedFileSize(itemCount, static_cast<std::uint64_t>(header.nodeCount),
                         static_cast<std::uint64_t>(header.elemCount), perNode, perElement);
    if (!expected || *expected != size) {
        const std::string need = expected ? std::to_string(*expected) + " bytes"
                                          : std::string("more bytes than any file can hold");
        return fail(kDamaged, reason,
                    "the file has " + std::to_string(size) + " bytes, its counts need " + need);
    }

    const std::uint64_t bodySize = size - layout::kHeaderSize;
    if (bodySize > std::numeric_limits<std::size_t>::max()) {
        return fail(kCannotRead, reason, "too large to be read into memory");
    }
    OpenResult loaded;
    loaded.body.resize(static_cast<std::size_t>(bodySize));
    if (!file.seek(layout::kHeaderSize) || !file.readExact(loaded.body.data(), bodySize)) {
        return fail(kCannotRead, reason, "read failed");
    }
    loaded.items = decodeItemTable(loaded.body.data(), header);
    loaded.idOrder = orderById(loaded.items);
    std::size_t earlier = 0, later = 0;
    if (findRepeatedId(loaded.items, loaded.idOrder, earlier, later)) {
        return fail.at(layout::kHeaderSize + later * layout::kEntrySize, kDamaged, reason,
                       entryLabel(later) + " repeats item id " +
                           std::to_string(loaded.items[later].id) + " of " + entryLabel(earlier));
    }
    loaded.header = std::move(header);
    result = std::move(loaded);
    return kOpened;
}

}  // namespace k7t::detail
