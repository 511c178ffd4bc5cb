// Decoding of the binary encoding's fixed-size records.
#ifndef NQBIO_BINARY_RECORDS_H
#define NQBIO_BINARY_RECORDS_H

#include "NQBIO_Manipulator.h"
#include "common/little_endian.h"
#include "nqb_layout.h"

namespace nqbio {
namespace le = qvr::common::le;
}  // namespace nqbio

namespace nqbio::records {

// Offsets inside a part element record.
constexpr std::size_t kPartNodesOffset = 4;
constexpr std::size_t kPartAttrWordOffset = 36;
constexpr std::size_t kPartAttrCodeOffset = 40;
constexpr std::size_t kPartVolumeOffset = 44;
// Offset of the five integers after the corners of a surface element record.
constexpr std::size_t kSurfaceValuesOffset = 16;

inline void decodeNode(const unsigned char* p, float& x, float& y, float& z) {
    x = le::loadF32(p);
    y = le::loadF32(p + 4);
    z = le::loadF32(p + 8);
}

// All eight node slots are copied as they stand; the checked file holds 0 past nNode.
inline void decodePart(const unsigned char* p, PartElement& e) {
    e.nNode = le::loadI32(p);
    for (int j = 0; j < layout::kMaxPartNodes; ++j) {
        e.node[j] = le::loadI32(p + kPartNodesOffset + 4 * static_cast<std::size_t>(j));
    }
    e.attrWord = le::loadU32(p + kPartAttrWordOffset);
    e.attrCode = le::loadI32(p + kPartAttrCodeOffset);
    e.volume = le::loadF32(p + kPartVolumeOffset);
}

inline void decodeSurface(const unsigned char* p, SurfaceElement& s) {
    for (int j = 0; j < layout::kSurfaceCorners; ++j) {
        s.node[j] = le::loadI32(p + 4 * static_cast<std::size_t>(j));
    }
    const unsigned char* v = p + kSurfaceValuesOffset;
    s.kind = le::loadI32(v);
    s.aux1 = le::loadI32(v + 4);
    s.aux2 = le::loadI32(v + 8);
    s.code = le::loadI32(v + 12);
    s.aux3 = le::loadI32(v + 16);
}

}  // namespace nqbio::records

#endif
