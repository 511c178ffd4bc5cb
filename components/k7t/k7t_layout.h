// Byte layout of a result file (.k7t): the fixed header, one table entry per item, then the
// item values in table order. Every number is little-endian.
#ifndef K7T_LAYOUT_H
#define K7T_LAYOUT_H

#include <cstddef>
#include <cstdint>

namespace k7t::layout {

inline constexpr char kMagic[4] = {'K', '7', 'T', 'B'};
inline constexpr std::size_t kMagicSize = 4;
inline constexpr std::uint32_t kLayoutVersion = 1;

// Header fields, by byte offset.
inline constexpr std::size_t kLayoutVersionAt = 4;   // uint32
inline constexpr std::size_t kResultVersionAt = 8;   // int64
inline constexpr std::size_t kAnalysisTypeAt = 16;   // int32
inline constexpr std::size_t kSolverVersionAt = 20;  // int32
inline constexpr std::size_t kProjectAt = 24;        // char[128], NUL-padded
inline constexpr std::size_t kRunAt = 152;           // char[128], NUL-padded
inline constexpr std::size_t kDateAt = 280;          // char[64], NUL-padded
inline constexpr std::size_t kTimeStepsAt = 344;     // int32
inline constexpr std::size_t kItemCountAt = 348;     // int32
inline constexpr std::size_t kNodeCountAt = 352;     // int64
inline constexpr std::size_t kElemCountAt = 360;     // int64
inline constexpr std::size_t kHeaderSize = 368;

inline constexpr std::size_t kProjectWidth = 128;
inline constexpr std::size_t kRunWidth = 128;
inline constexpr std::size_t kDateWidth = 64;

// One item table entry, by byte offset inside the entry.
inline constexpr std::size_t kEntryIdAt = 0;        // int32
inline constexpr std::size_t kEntryLocationAt = 4;  // int32
inline constexpr std::size_t kEntryNameAt = 8;      // char[64], NUL-padded
inline constexpr std::size_t kEntryUnitAt = 72;     // char[64], NUL-padded
inline constexpr std::size_t kEntrySize = 136;
inline constexpr std::size_t kNameWidth = 64;
inline constexpr std::size_t kUnitWidth = 64;

inline constexpr std::size_t kValueSize = 4;  // float32 per value

inline constexpr std::int32_t kPerNode = 0;
inline constexpr std::int32_t kPerElement = 1;

// Largest cavity node or element count: the one-based arrays callers size from it (count + 1
// entries) must still be indexable by a 32-bit int.
inline constexpr std::int64_t kMaxCount = 2147483646;  // 2^31 - 2

// A file that does not start with the magic is judged a text result file by this many leading
// bytes (or all of it, when shorter).
inline constexpr std::size_t kTextProbeBytes = 64;

static_assert(kProjectAt + kProjectWidth == kRunAt);
static_assert(kRunAt + kRunWidth == kDateAt);
static_assert(kDateAt + kDateWidth == kTimeStepsAt);
static_assert(kElemCountAt + 8 == kHeaderSize);
static_assert(kEntryNameAt + kNameWidth == kEntryUnitAt);
static_assert(kEntryUnitAt + kUnitWidth == kEntrySize);
static_assert(kTextProbeBytes <= kHeaderSize);

}  // namespace k7t::layout

#endif
