// Builds result file bytes by hand, field by field at the documented offsets, so that the
// tests do not lean on the library's own encoder. Fields can be set to values no writer
// would produce.
#ifndef QVR_TESTS_RAWRESULTFILE_H
#define QVR_TESTS_RAWRESULTFILE_H

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

struct RawItem {
    std::int32_t id = 0;
    std::int32_t location = 1;
    std::string name, unit;
    std::vector<float> values;  // written as they stand, whatever the counts say
};

struct RawResultFile {
    std::string magic = "K7TB";
    std::uint32_t layoutVersion = 1;
    std::int64_t resultVersion = 0;
    std::int32_t analysisType = 0, solverVersion = 0;
    std::string project, run, date;  // written up to the field width, no terminator forced
    std::int32_t timeSteps = 0;
    std::optional<std::int32_t> itemCount;  // unset: the number of items
    std::int64_t nodeCount = 0, elemCount = 0;
    std::vector<RawItem> items;

    std::string bytes() const {
        std::string b(368, '\0');
        b.replace(0, 4, magic.substr(0, 4));
        put(b, 4, layoutVersion, 4);
        put(b, 8, static_cast<std::uint64_t>(resultVersion), 8);
        put(b, 16, static_cast<std::uint32_t>(analysisType), 4);
        put(b, 20, static_cast<std::uint32_t>(solverVersion), 4);
        text(b, 24, project, 128);
        text(b, 152, run, 128);
        text(b, 280, date, 64);
        put(b, 344, static_cast<std::uint32_t>(timeSteps), 4);
        const std::int32_t count = itemCount.value_or(static_cast<std::int32_t>(items.size()));
        put(b, 348, static_cast<std::uint32_t>(count), 4);
        put(b, 352, static_cast<std::uint64_t>(nodeCount), 8);
        put(b, 360, static_cast<std::uint64_t>(elemCount), 8);
        for (const RawItem& item : items) {
            std::string entry(136, '\0');
            put(entry, 0, static_cast<std::uint32_t>(item.id), 4);
            put(entry, 4, static_cast<std::uint32_t>(item.location), 4);
            text(entry, 8, item.name, 64);
            text(entry, 72, item.unit, 64);
            b += entry;
        }
        for (const RawItem& item : items) {
            for (float v : item.values) {
                std::uint32_t bits;
                std::memcpy(&bits, &v, 4);
                b += std::string(4, '\0');
                put(b, b.size() - 4, bits, 4);
            }
        }
        return b;
    }

    static void put(std::string& b, std::size_t at, std::uint64_t v, int width) {
        for (int k = 0; k < width; ++k) b[at + k] = static_cast<char>((v >> (8 * k)) & 0xff);
    }
    static void text(std::string& b, std::size_t at, const std::string& s, std::size_t width) {
        b.replace(at, std::min(s.size(), width), s.substr(0, width));
    }
};

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A small valid file: three nodes, two elements, element and node items interleaved.
inline RawResultFile smallRawFile() {
    RawResultFile f;
    f.resultVersion = 0x0102030405060708LL;
    f.analysisType = 7;
    f.solverVersion = -3;
    f.project = "bracket";
    f.run = "fill 1";
    f.date = "2024-05-06";
    f.timeSteps = 12;
    f.nodeCount = 3;
    f.elemCount = 2;
    f.items = {{9, 1, "FiberOrientation_a12", "", {0.25f, -0.5f}},
               {2, 0, "Pressure", "MPa", {1.0f, 2.0f, 3.0f}},
               {4, 1, "FiberOrientation_a11", "", {0.75f, 0.125f}}};
    return f;
}

#endif
