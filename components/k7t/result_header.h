// The fixed header of a result file: decoding and the checks that need nothing else.
#ifndef K7T_RESULT_HEADER_H
#define K7T_RESULT_HEADER_H

#include <cstdint>
#include <optional>
#include <string>

namespace k7t::detail {

struct ResultHeader {
    std::int64_t resultVersion = 0;
    std::int32_t analysisType = 0;
    std::int32_t solverVersion = 0;
    std::string project, run, date;
    std::int32_t timeSteps = 0;
    std::int32_t itemCount = 0;
    std::int64_t nodeCount = 0;
    std::int64_t elemCount = 0;
};

// Decodes the header's bytes (the full header length, magic already checked). False with a
// reason when the layout version or a count is out of range.
bool decodeHeader(const unsigned char* bytes, ResultHeader& header, std::string& reason);

// Text of a NUL-padded field: the bytes up to the first NUL, or the whole width.
std::string fixedWidthText(const unsigned char* field, std::size_t width);

// Exact length a file with this header and these item locations must have; nothing when it
// would not fit in a signed 64-bit length, which no file can reach.
std::optional<std::uint64_t> expectedFileSize(std::uint64_t itemCount, std::uint64_t nodeCount,
                                              std::uint64_t elemCount, std::uint64_t perNodeItems,
                                              std::uint64_t perElementItems);

}  // namespace k7t::detail

#endif
