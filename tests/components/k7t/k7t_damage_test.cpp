// Every way a file can fail BeginReading, each checked for its result code.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>

#include "CQVR3DResultReader_Manipulator.h"
#include "RawResultFile.h"
#include "TempDir.h"
#include "result_header.h"

namespace {

constexpr std::int64_t kMaxCount = 2147483646;  // 2^31 - 2

struct Case {
    const char* what;
    std::string bytes;
    int code;
};

RawResultFile modified(const std::function<void(RawResultFile&)>& change) {
    RawResultFile f = smallRawFile();
    change(f);
    return f;
}

std::vector<Case> damageCases() {
    const std::string good = smallRawFile().bytes();
    // 368 header + 3 * 136 table + 4 * (2 + 3 + 2) values.
    EXPECT_EQ(good.size(), 804u);
    std::vector<Case> cases = {{"intact", good, k7t::kOpened}};
    for (std::size_t cut : {4, 100, 347, 367, 368, 503, 776, 790, 803}) {
        cases.push_back({"truncated", good.substr(0, cut), k7t::kDamaged});
    }
    cases.push_back({"one extra byte", good + '\0', k7t::kDamaged});
    cases.push_back({"one extra value", good + std::string(4, '\0'), k7t::kDamaged});

    auto add = [&](const char* what, const std::function<void(RawResultFile&)>& change, int code) {
        cases.push_back({what, modified(change).bytes(), code});
    };
    // Without items the length cannot give the counts away: only the range check can.
    add("node count 2^31-1, no items",
        [](RawResultFile& f) {
            f.items.clear();
            f.nodeCount = kMaxCount + 1;
        },
        k7t::kDamaged);
    add("element count 2^31-1, no items",
        [](RawResultFile& f) {
            f.items.clear();
            f.elemCount = kMaxCount + 1;
        },
        k7t::kDamaged);
    add("node count -1", [](RawResultFile& f) { f.nodeCount = -1; }, k7t::kDamaged);
    add("element count most negative",
        [](RawResultFile& f) { f.elemCount = std::numeric_limits<std::int64_t>::min(); },
        k7t::kDamaged);
    add("item count -1", [](RawResultFile& f) { f.itemCount = -1; }, k7t::kDamaged);
    add("item count 2^31-1",
        [](RawResultFile& f) { f.itemCount = std::numeric_limits<std::int32_t>::max(); },
        k7t::kDamaged);
    add("item count one more than the table", [](RawResultFile& f) { f.itemCount = 4; },
        k7t::kDamaged);
    add("item count one less than the table", [](RawResultFile& f) { f.itemCount = 2; },
        k7t::kDamaged);
    add("element count 2^31-2 with values for 2",
        [](RawResultFile& f) { f.elemCount = kMaxCount; }, k7t::kDamaged);
    add("both counts 2^31-2 and no items",
        [](RawResultFile& f) {
            f.items.clear();
            f.nodeCount = f.elemCount = kMaxCount;
        },
        k7t::kOpened);
    for (std::uint32_t version : {0u, 2u, 0xffffffffu}) {
        add("layout version", [=](RawResultFile& f) { f.layoutVersion = version; }, k7t::kDamaged);
    }
    add("location 2", [](RawResultFile& f) { f.items[1].location = 2; }, k7t::kDamaged);
    add("location -1", [](RawResultFile& f) { f.items[2].location = -1; }, k7t::kDamaged);
    add("repeated id, other location",
        [](RawResultFile& f) { f.items[1].id = 4; }, k7t::kDamaged);
    add("repeated id, same location",
        [](RawResultFile& f) { f.items.push_back(f.items[0]); }, k7t::kDamaged);
    add("magic K7TA", [](RawResultFile& f) { f.magic = "K7TA"; }, k7t::kNotResultFile);
    add("magic in lower case", [](RawResultFile& f) { f.magic = "k7tb"; }, k7t::kNotResultFile);

    cases.push_back({"empty", "", k7t::kNotResultFile});
    cases.push_back({"three bytes of the magic", "K7T", k7t::kTextResultFile});
    cases.push_back({"one control byte", "\x01", k7t::kNotResultFile});
    cases.push_back({"executable", std::string("\x7f" "ELF\x02\x01\x01\0\0\0", 10),
                     k7t::kNotResultFile});
    const std::string text = "K7T text result\r\nITEM 4 FiberOrientation_a11\n\t0.5\t0.25\n";
    cases.push_back({"text", text, k7t::kTextResultFile});
    std::string late(80, 'x');
    late[64] = '\x01';  // past the bytes that decide
    cases.push_back({"text with a control byte after byte 64", late, k7t::kTextResultFile});
    std::string early = late;
    early[63] = '\0';
    cases.push_back({"NUL inside the first 64 bytes", early, k7t::kNotResultFile});
    std::string high = text;
    high[10] = static_cast<char>(0xe9);
    cases.push_back({"non-ASCII byte", high, k7t::kNotResultFile});
    return cases;
}

TEST(K7tDamage, EveryCaseGivesItsCode) {
    TempDir dir;
    int serial = 0;
    for (const Case& c : damageCases()) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("case" + std::to_string(serial++) + ".k7t");
        writeBytes(path, c.bytes);
        CQVR3DResultReader_Manipulator reader;
        EXPECT_EQ(reader.BeginReading(path.c_str(), nullptr), c.code);
        if (c.code != k7t::kOpened) {
            EXPECT_NE(std::string(reader.GetLastError()).find(path), std::string::npos)
                << reader.GetLastError();
            EXPECT_EQ(reader.GetMaxCavityElem(), 0);
        }
    }
}

TEST(K7tDamage, FilesThatCannotBeReadGiveMinusOne) {
    TempDir dir;
    CQVR3DResultReader_Manipulator reader;
    EXPECT_EQ(reader.BeginReading(dir.file("missing.k7t").c_str(), nullptr), k7t::kCannotRead);
    EXPECT_EQ(reader.BeginReading(dir.path().string().c_str(), nullptr), k7t::kCannotRead);
    EXPECT_EQ(reader.BeginReading(nullptr, nullptr), k7t::kCannotRead);
    EXPECT_EQ(reader.BeginReading("", nullptr), k7t::kCannotRead);
    EXPECT_STRNE(reader.GetLastError(), "");
}

TEST(K7tDamage, ReasonGivesTheOffsetOfABadLocation) {
    TempDir dir;
    RawResultFile f = smallRawFile();
    f.items[1].location = 5;
    writeBytes(dir.file("bad.k7t"), f.bytes());
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(dir.file("bad.k7t").c_str(), nullptr), k7t::kDamaged);
    // Second entry's location: 368 + 136 + 4.
    EXPECT_NE(std::string(reader.GetLastError()).find(":508:"), std::string::npos)
        << reader.GetLastError();
}

TEST(K7tDamage, ExpectedSizeRefusesLengthsBeyondAnyFile) {
    using k7t::detail::expectedFileSize;
    EXPECT_EQ(expectedFileSize(0, 0, 0, 0, 0), 368u);
    EXPECT_EQ(expectedFileSize(3, 3, 2, 1, 2), 368u + 3 * 136 + 4 * (3 + 2 * 2));
    const std::uint64_t most = std::numeric_limits<std::int32_t>::max();
    // 4 * (2^31-1) * (2^31-2) alone is just below 2^64; the table pushes it over.
    EXPECT_FALSE(expectedFileSize(most, kMaxCount, 0, most, 0).has_value());
    EXPECT_FALSE(expectedFileSize(most, kMaxCount, kMaxCount, most / 2, most - most / 2));
    // Small enough to fit: 2^31-2 values of 4 bytes each after one entry.
    EXPECT_EQ(expectedFileSize(1, kMaxCount, 0, 1, 0), 368u + 136u + 4u * kMaxCount);
}

}  // namespace
