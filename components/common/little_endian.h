// Little-endian loads and stores of the binary files' 32- and 64-bit fields, whatever the host's
// byte order. Shared by the mesh and result file readers and writers.
#ifndef QVR_COMMON_LITTLE_ENDIAN_H
#define QVR_COMMON_LITTLE_ENDIAN_H

#include <bit>
#include <cstdint>

namespace qvr::common::le {

inline std::uint32_t loadU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t loadU64(const unsigned char* p) {
    return static_cast<std::uint64_t>(loadU32(p)) |
           (static_cast<std::uint64_t>(loadU32(p + 4)) << 32);
}

inline std::int32_t loadI32(const unsigned char* p) {
    return static_cast<std::int32_t>(loadU32(p));
}
inline std::int64_t loadI64(const unsigned char* p) {
    return static_cast<std::int64_t>(loadU64(p));
}
inline float loadF32(const unsigned char* p) { return std::bit_cast<float>(loadU32(p)); }

inline void storeU32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

inline void storeU64(unsigned char* p, std::uint64_t v) {
    storeU32(p, static_cast<std::uint32_t>(v));
    storeU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline void storeI32(unsigned char* p, std::int32_t v) {
    storeU32(p, static_cast<std::uint32_t>(v));
}
inline void storeI64(unsigned char* p, std::int64_t v) {
    storeU64(p, static_cast<std::uint64_t>(v));
}
inline void storeF32(unsigned char* p, float v) { storeU32(p, std::bit_cast<std::uint32_t>(v)); }

}  // namespace qvr::common::le

#endif
