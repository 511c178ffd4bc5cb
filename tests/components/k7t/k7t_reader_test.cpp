// The reader: every way a file can fail BeginReading, each checked for its result code and
// for the reader keeping the file it had open; its state before, between and after files;
// and the buffers a careless caller may hand in.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "RawResultFile.h"
#include "TempDir.h"
#include "result_header.h"

namespace {

constexpr std::int64_t kMaxCount = 2147483646;  // 2^31 - 2

std::string changed(const std::function<void(RawResultFile&)>& change) {
    RawResultFile f = smallRawFile();
    change(f);
    return f.bytes();
}

TEST(K7tDamage, EveryCaseGivesItsCodeAndKeepsTheOpenFile) {
    using F = RawResultFile;
    const std::string good = smallRawFile().bytes();
    // 368 header + 3 * 136 table + 4 * (2 + 3 + 2) values.
    ASSERT_EQ(good.size(), 804u);
    const std::string text = "K7T text result\r\nITEM 4 FiberOrientation_a11\n\t0.5\t0.25\n";
    std::string late(80, 'x'), early, high = text;
    late[64] = '\x01';  // past the bytes that decide
    early = late;
    early[63] = '\0';
    high[10] = static_cast<char>(0xe9);
    const struct {
        const char* what;
        std::string bytes;
        int code;
    } cases[] = {
        {"cut inside the magic", good.substr(0, 3), k7t::kTextResultFile},
        {"cut inside the header", good.substr(0, 347), k7t::kDamaged},
        {"header alone", good.substr(0, 368), k7t::kDamaged},
        {"cut inside the table", good.substr(0, 503), k7t::kDamaged},
        {"one byte short", good.substr(0, 803), k7t::kDamaged},
        {"one extra byte", good + '\0', k7t::kDamaged},
        // Without items the length cannot give the counts away: only the range check can.
        {"node count 2^31-1, no items",
         changed([](F& f) { f.items.clear(); f.nodeCount = kMaxCount + 1; }), k7t::kDamaged},
        {"element count 2^31-1, no items",
         changed([](F& f) { f.items.clear(); f.elemCount = kMaxCount + 1; }), k7t::kDamaged},
        {"both counts 2^31-2 and no items",
         changed([](F& f) { f.items.clear(); f.nodeCount = f.elemCount = kMaxCount; }),
         k7t::kOpened},
        {"node count -1", changed([](F& f) { f.nodeCount = -1; }), k7t::kDamaged},
        {"element count most negative",
         changed([](F& f) { f.elemCount = std::numeric_limits<std::int64_t>::min(); }),
         k7t::kDamaged},
        {"item count -1", changed([](F& f) { f.itemCount = -1; }), k7t::kDamaged},
        {"item count 2^31-1",
         changed([](F& f) { f.itemCount = std::numeric_limits<std::int32_t>::max(); }),
         k7t::kDamaged},
        {"item count one more", changed([](F& f) { f.itemCount = 4; }), k7t::kDamaged},
        {"item count one less", changed([](F& f) { f.itemCount = 2; }), k7t::kDamaged},
        {"element count 2^31-2, values for 2", changed([](F& f) { f.elemCount = kMaxCount; }),
         k7t::kDamaged},
        {"layout version 0", changed([](F& f) { f.layoutVersion = 0; }), k7t::kDamaged},
        {"layout version 2", changed([](F& f) { f.layoutVersion = 2; }), k7t::kDamaged},
        {"location 2", changed([](F& f) { f.items[1].location = 2; }), k7t::kDamaged},
        {"location -1", changed([](F& f) { f.items[2].location = -1; }), k7t::kDamaged},
        {"repeated id", changed([](F& f) { f.items[1].id = 4; }), k7t::kDamaged},
        {"magic K7TA", changed([](F& f) { f.magic = "K7TA"; }), k7t::kNotResultFile},
        {"magic in lower case", changed([](F& f) { f.magic = "k7tb"; }), k7t::kNotResultFile},
        {"empty", "", k7t::kNotResultFile},
        {"one control byte", "\x01", k7t::kNotResultFile},
        {"text", text, k7t::kTextResultFile},
        {"control byte after byte 64", late, k7t::kTextResultFile},
        {"NUL inside the first 64 bytes", early, k7t::kNotResultFile},
        {"non-ASCII byte", high, k7t::kNotResultFile},
    };
    TempDir dir;
    writeBytes(dir.file("good.k7t"), good);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("case.k7t");
        writeBytes(path, c.bytes);
        CQVR3DResultReader_Manipulator reader;
        ASSERT_EQ(reader.BeginReading(dir.file("good.k7t").c_str(), nullptr), k7t::kOpened);
        ASSERT_EQ(reader.BeginReading(path.c_str(), nullptr), c.code);
        if (c.code == k7t::kOpened) continue;
        EXPECT_NE(std::string(reader.GetLastError()).find(path), std::string::npos)
            << reader.GetLastError();
        // The earlier file stays open and readable.
        float values[3] = {};
        EXPECT_EQ(reader.GetMaxCavityNode(), 3);
        EXPECT_TRUE(reader.GetResultItem(9, values));
        EXPECT_EQ(values[2], -0.5f);
    }
    CQVR3DResultReader_Manipulator reader;
    for (const std::string& unreadable : {dir.file("missing.k7t"), dir.path().string(),
                                          std::string()}) {
        EXPECT_EQ(reader.BeginReading(unreadable.c_str(), nullptr), k7t::kCannotRead);
    }
    EXPECT_EQ(reader.BeginReading(nullptr, nullptr), k7t::kCannotRead);
    EXPECT_EQ(reader.GetMaxCavityElem(), 0);

    // A bad location is named by its offset: the second entry's location, 368 + 136 + 4.
    writeBytes(dir.file("bad.k7t"), changed([](F& f) { f.items[1].location = 5; }));
    ASSERT_EQ(reader.BeginReading(dir.file("bad.k7t").c_str(), nullptr), k7t::kDamaged);
    EXPECT_NE(std::string(reader.GetLastError()).find(":508:"), std::string::npos)
        << reader.GetLastError();
}

TEST(K7tDamage, ExpectedSizeRefusesLengthsBeyondAnyFile) {
    using k7t::detail::expectedFileSize;
    EXPECT_EQ(expectedFileSize(3, 3, 2, 1, 2), 368u + 3 * 136 + 4 * (3 + 2 * 2));
    const std::uint64_t most = std::numeric_limits<std::int32_t>::max();
    // 4 * (2^31-1) * (2^31-2) alone is just below 2^64; the table pushes it over.
    EXPECT_FALSE(expectedFileSize(most, kMaxCount, 0, most, 0).has_value());
    EXPECT_FALSE(expectedFileSize(most, kMaxCount, kMaxCount, most / 2, most - most / 2));
    // Small enough to fit: 2^31-2 values of 4 bytes each after one entry.
    EXPECT_EQ(expectedFileSize(1, kMaxCount, 0, 1, 0), 368u + 136u + 4u * kMaxCount);
}

constexpr int kUntouched = -12345;
constexpr float kSentinel = -7777.0f;

// Every accessor reports "no file" and writes nothing.
void expectNothingOpen(CQVR3DResultReader_Manipulator& reader) {
    int a = kUntouched, steps = kUntouched, items = kUntouched, ids[1] = {kUntouched};
    char project[8] = "x";
    EXPECT_FALSE(reader.GetHeadInfo(a, a, project, project, project, steps, items));
    EXPECT_EQ(a + items, 2 * kUntouched);
    EXPECT_STREQ(project, "x");
    EXPECT_FALSE(reader.GetResultItemInfo(ids, nullptr, nullptr, nullptr));
    EXPECT_EQ(ids[0], kUntouched);
    EXPECT_EQ(reader.GetResultVersion() + reader.GetMaxCavityNode() + reader.GetMaxCavityElem(), 0);
    float values[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
    EXPECT_FALSE(reader.GetResultItem(4, values));
    for (float v : values) EXPECT_EQ(v, kSentinel);
    EXPECT_EQ(reader.EndReading(), -1);
}

TEST(K7tReaderState, NothingOpenUntilASuccessWhichReplacesTheEarlierFile) {
    TempDir dir;
    writeBytes(dir.file("small.k7t"), smallRawFile().bytes());
    writeBytes(dir.file("text.k7t"), "plain text, not a binary result\n");
    RawResultFile other;
    other.nodeCount = other.elemCount = 1;
    other.items = {{5, 1, "FiberOrientation_a22", "", {0.5f}}};
    writeBytes(dir.file("other.k7t"), other.bytes());

    CQVR3DResultReader_Manipulator reader;
    EXPECT_STREQ(reader.GetLastError(), "");
    expectNothingOpen(reader);
    ASSERT_EQ(reader.BeginReading(dir.file("text.k7t").c_str(), nullptr), k7t::kTextResultFile);
    EXPECT_STRNE(reader.GetLastError(), "");
    expectNothingOpen(reader);
    ASSERT_EQ(reader.BeginReading(dir.file("small.k7t").c_str(), "ignored"), k7t::kOpened);
    EXPECT_STREQ(reader.GetLastError(), "");
    ASSERT_EQ(reader.BeginReading(dir.file("other.k7t").c_str(), nullptr), k7t::kOpened);
    float values[3] = {};
    EXPECT_EQ(reader.GetMaxCavityNode(), 1);
    EXPECT_FALSE(reader.GetResultItem(9, values));
    EXPECT_TRUE(reader.GetResultItem(5, values));
    EXPECT_EQ(values[1], 0.5f);
    EXPECT_EQ(reader.EndReading(), 0);
    expectNothingOpen(reader);

    // No items is an open file with nothing to fetch.
    writeBytes(dir.file("none.k7t"), RawResultFile{}.bytes());
    ASSERT_EQ(reader.BeginReading(dir.file("none.k7t").c_str(), nullptr), k7t::kOpened);
    EXPECT_TRUE(reader.GetResultItemInfo(nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(reader.GetResultItem(4, values));
}

TEST(K7tReaderState, BuffersOfTheMinimumSizeAndNullBuffers) {
    RawResultFile raw = smallRawFile();
    raw.project = std::string(128, 'p');
    raw.date = std::string(64, 'd');
    raw.items[0].name = std::string(64, 'n');
    raw.items[0].unit = std::string(64, 'u');
    TempDir dir;
    writeBytes(dir.file("full.k7t"), raw.bytes());
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(dir.file("full.k7t").c_str(), nullptr), k7t::kOpened);
    // Heap buffers of exactly the documented minimum, so an overrun is caught by the sanitizer;
    // texts that fill their whole field come back terminated.
    std::vector<char> project(129, 'x'), run(129, 'x'), date(65, 'x');
    int a = 0, b = 0, steps = 0, items = 0;
    ASSERT_TRUE(reader.GetHeadInfo(a, b, project.data(), run.data(), date.data(), steps, items));
    EXPECT_EQ(std::string(project.data()), raw.project);
    EXPECT_EQ(std::string(date.data()), raw.date);
    EXPECT_EQ(std::string(run.data()), raw.run);
    std::vector<std::vector<char>> texts(4, std::vector<char>(65, 'x'));
    char* names[3] = {texts[0].data(), nullptr, texts[1].data()};
    char* units[3] = {texts[2].data(), texts[3].data(), nullptr};
    ASSERT_TRUE(reader.GetResultItemInfo(nullptr, names, units, nullptr));
    EXPECT_EQ(std::string(names[0]), raw.items[0].name);
    EXPECT_EQ(std::string(units[0]), raw.items[0].unit);
    EXPECT_EQ(std::string(units[1]), "MPa");
    EXPECT_TRUE(reader.GetHeadInfo(a, b, nullptr, nullptr, nullptr, steps, items));
    EXPECT_EQ(items, 3);
    EXPECT_FALSE(reader.GetResultItem(4, nullptr));
}

}  // namespace
