// Fixed facts of the mesh file layout shared by the readers and the writers.
#ifndef NQBIO_NQB_LAYOUT_H
#define NQBIO_NQB_LAYOUT_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nqbio::layout {

constexpr int kPackageVersion = 11002;
constexpr std::uint32_t kLayoutVersion = 1;

// Text encoding: first line and keywords, each on a line of its own.
constexpr std::string_view kTextMagic = "NQBTEXT";
constexpr std::string_view kUnitKeyword = "UNIT";
constexpr std::string_view kCountsKeyword = "COUNTS";
constexpr std::string_view kNodesKeyword = "NODES";
constexpr std::string_view kPartKeyword = "PART_ELEMENTS";
constexpr std::string_view kSurfaceKeyword = "SURFACE_ELEMENTS";
constexpr std::string_view kEndKeyword = "END";

// Binary encoding.
constexpr std::string_view kBinaryMagic = "NQBB";
constexpr std::size_t kHeaderBytes = 64;
constexpr std::size_t kUnitOffset = 20;
constexpr std::size_t kUnitFieldBytes = 44;
constexpr std::size_t kNodeRecordBytes = 12;     // float x, y, z
constexpr std::size_t kPartRecordBytes = 48;     // n, node[8], attrWord, attrCode, volume
constexpr std::size_t kSurfaceRecordBytes = 36;  // node[4], kind, aux1, aux2, code, aux3

// The binary unit field keeps a terminating NUL, so both encodings hold at most this many bytes.
constexpr std::size_t kMaxUnitLength = kUnitFieldBytes - 1;

constexpr int kMaxPartNodes = 8;
constexpr int kSurfaceCorners = 4;

}  // namespace nqbio::layout

#endif
