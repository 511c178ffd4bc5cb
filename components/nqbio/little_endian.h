// Little-endian loads and stores of 32-bit fields, whatever the host's byte order.
#ifndef NQBIO_LITTLE_ENDIAN_H
#define NQBIO_LITTLE_ENDIAN_H

#include <bit>
#include <cstdint>
#include <cstring>

namespace nqbio::le {

inline std::uint32_t loadU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t loadI32(const unsigned char* p) {
    return static_cast<std::int32_t>(loadU32(p));
}

inline float loadF32(const unsigned char* p) { return std::bit_cast<float>(loadU32(p)); }

inline void storeU32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

inline void storeI32(unsigned char* p, std::int32_t v) {
    storeU32(p, static_cast<std::uint32_t>(v));
}

inline void storeF32(unsigned char* p, float v) { storeU32(p, std::bit_cast<std::uint32_t>(v)); }

}  // namespace nqbio::le

#endif
