// The result reader and writer. Files built by hand read as built and are written back byte
// for byte; a refused file leaves the reader with the file it had open; the reader's state
// before, between and after files; the buffers a careless caller may hand in; the content
// the writer refuses. (The damaged-input corpus of the hardening tests sends one file per
// check of BeginReading through a fresh reader; the cases here are the ones it cannot tell.)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <tuple>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "RawResultFile.h"
#include "TempDir.h"
#include "result_header.h"

namespace {

constexpr std::int64_t kMaxCount = 2147483646;  // 2^31 - 2
constexpr int kUntouched = -12345;
constexpr float kSentinel = -7777.0f;

std::string changed(const std::function<void(RawResultFile&)>& change) {
    RawResultFile f = smallRawFile();
    change(f);
    return f.bytes();
}

TEST(K7tReader, ARefusedFileLeavesTheOpenOneReadable) {
    using F = RawResultFile;
    const std::string good = smallRawFile().bytes();
    ASSERT_EQ(good.size(), 368u + 3 * 136 + 4 * (2 + 3 + 2));
    std::string late(80, 'x'), early, high = "K7T text result\n";
    late[64] = '\x01';  // past the bytes that decide
    early = late;
    early[63] = '\0';
    high[10] = static_cast<char>(0xe9);
    const struct {
        const char* what;
        std::string bytes;
        int code;
        std::string where;  // how the reason starts after the file name
    } cases[] = {
        // Without items the length cannot give the counts away: only the range check can.
        {"node count 2^31-1", changed([](F& f) {
             f.items.clear();
             f.nodeCount = kMaxCount + 1;
         }),
         k7t::kDamaged, ": "},
        {"element count 2^31-1", changed([](F& f) {
             f.items.clear();
             f.elemCount = kMaxCount + 1;
         }),
         k7t::kDamaged, ": "},
        {"both counts 2^31-2", changed([](F& f) {
             f.items.clear();
             f.nodeCount = f.elemCount = kMaxCount;
         }),
         k7t::kOpened, ""},
        {"control byte after byte 64", late, k7t::kTextResultFile, ": "},
        {"NUL inside the first 64 bytes", early, k7t::kNotResultFile, ": "},
        {"non-ASCII byte", high, k7t::kNotResultFile, ": "},
        // The second entry's location: 368 + 136 + 4.
        {"location 5", changed([](F& f) { f.items[1].location = 5; }), k7t::kDamaged, ":508: "},
    };
    TempDir dir;
    writeBytes(dir.file("good.k7t"), good);
    const auto expectGoodOpen = [](CQVR3DResultReader_Manipulator& reader) {
        float values[3] = {};
        EXPECT_EQ(reader.GetMaxCavityNode(), 3);
        EXPECT_TRUE(reader.GetResultItem(9, values));
        EXPECT_EQ(values[2], -0.5f);
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("case.k7t");
        writeBytes(path, c.bytes);
        CQVR3DResultReader_Manipulator reader;
        ASSERT_EQ(reader.BeginReading(dir.file("good.k7t").c_str(), nullptr), k7t::kOpened);
        ASSERT_EQ(reader.BeginReading(path.c_str(), nullptr), c.code);
        if (c.code == k7t::kOpened) continue;
        EXPECT_EQ(std::string(reader.GetLastError()).rfind(path + c.where, 0), 0u)
            << reader.GetLastError();
        expectGoodOpen(reader);
    }
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(dir.file("good.k7t").c_str(), nullptr), k7t::kOpened);
    for (const std::string& unreadable :
         {dir.file("missing.k7t"), dir.path().string(), std::string()}) {
        EXPECT_EQ(reader.BeginReading(unreadable.c_str(), nullptr), k7t::kCannotRead);
    }
    EXPECT_EQ(reader.BeginReading(nullptr, nullptr), k7t::kCannotRead);
    expectGoodOpen(reader);
}

TEST(K7tReader, ExpectedSizeRefusesLengthsBeyondAnyFile) {
    using k7t::detail::expectedFileSize;
    EXPECT_EQ(expectedFileSize(3, 3, 2, 1, 2), 368u + 3 * 136 + 4 * (3 + 2 * 2));
    const std::uint64_t most = std::numeric_limits<std::int32_t>::max();
    // 4 * (2^31-1) * (2^31-2) alone is just below 2^64; the table pushes it over.
    EXPECT_FALSE(expectedFileSize(most, kMaxCount, 0, most, 0).has_value());
    EXPECT_FALSE(expectedFileSize(most, kMaxCount, kMaxCount, most / 2, most - most / 2));
    EXPECT_EQ(expectedFileSize(1, kMaxCount, 0, 1, 0), 368u + 136u + 4u * kMaxCount);
}

// Every accessor reports "no file" and writes nothing.
void expectNothingOpen(CQVR3DResultReader_Manipulator& reader) {
    int a = kUntouched, items = kUntouched, ids[1] = {kUntouched};
    char project[8] = "x";
    EXPECT_FALSE(reader.GetHeadInfo(a, a, project, project, project, items, items));
    EXPECT_EQ(std::make_tuple(a, items, std::string(project)),
              std::make_tuple(kUntouched, kUntouched, std::string("x")));
    EXPECT_FALSE(reader.GetResultItemInfo(ids, nullptr, nullptr, nullptr));
    EXPECT_EQ(ids[0], kUntouched);
    EXPECT_EQ(reader.GetResultVersion() + reader.GetMaxCavityNode() + reader.GetMaxCavityElem(), 0);
    float values[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
    EXPECT_FALSE(reader.GetResultItem(4, values));
    for (float v : values) EXPECT_EQ(v, kSentinel);
    EXPECT_EQ(reader.EndReading(), -1);
}

TEST(K7tReader, NothingOpenUntilASuccessWhichReplacesTheEarlierFile) {
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

TEST(K7tReader, BuffersOfTheMinimumSizeAndNullBuffers) {
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
    EXPECT_EQ(std::make_tuple(std::string(project.data()), std::string(run.data()),
                              std::string(date.data())),
              std::make_tuple(raw.project, raw.run, raw.date));
    std::vector<std::vector<char>> texts(4, std::vector<char>(65, 'x'));
    char* names[3] = {texts[0].data(), nullptr, texts[1].data()};
    char* units[3] = {texts[2].data(), texts[3].data(), nullptr};
    ASSERT_TRUE(reader.GetResultItemInfo(nullptr, names, units, nullptr));
    EXPECT_EQ(std::make_tuple(std::string(names[0]), std::string(units[0]), std::string(units[1])),
              std::make_tuple(raw.items[0].name, raw.items[0].unit, std::string("MPa")));
    EXPECT_TRUE(reader.GetHeadInfo(a, b, nullptr, nullptr, nullptr, steps, items));
    EXPECT_EQ(items, 3);
    EXPECT_FALSE(reader.GetResultItem(4, nullptr));
}

TEST(K7tRoundTrip, HandBuiltFilesReadAsBuiltAndAreWrittenByteForByte) {
    RawResultFile awkward = smallRawFile();
    awkward.resultVersion = std::numeric_limits<std::int64_t>::min();
    awkward.analysisType = std::numeric_limits<int>::max();
    awkward.project = std::string(127, 'p');  // the longest texts the writer takes
    awkward.run = "run with\ttab";
    awkward.date = std::string(63, 'd');
    awkward.timeSteps = -1;
    awkward.items[1].unit = std::string(63, 'u');
    // Values whose bits a sloppy encoder would change.
    awkward.items[0].values = {-0.0f, std::numeric_limits<float>::denorm_min()};
    awkward.items[1].values = {std::numeric_limits<float>::infinity(),
                               std::numeric_limits<float>::quiet_NaN(), 1.0f / 3.0f};
    // A file without nodes holds per-node items without values.
    RawResultFile noNodes;
    noNodes.elemCount = 3;
    noNodes.items = {{7, 0, "no nodes", "", {}}};
    TempDir dir;
    for (const RawResultFile& raw : {smallRawFile(), awkward, noNodes}) {
        writeBytes(dir.file("raw.k7t"), raw.bytes());
        k7t::ResultFile back;
        std::string error;
        ASSERT_TRUE(k7t::read(dir.file("raw.k7t"), back, &error)) << error;
        EXPECT_EQ(std::tie(back.resultVersion, back.analysisType, back.solverVersion, back.project,
                           back.run, back.date, back.timeSteps, back.nodeCount, back.elemCount),
                  std::tie(raw.resultVersion, raw.analysisType, raw.solverVersion, raw.project,
                           raw.run, raw.date, raw.timeSteps, raw.nodeCount, raw.elemCount));
        ASSERT_EQ(back.items.size(), raw.items.size());
        for (std::size_t i = 0; i < raw.items.size(); ++i) {
            const k7t::ResultItem& x = back.items[i];
            const RawItem& y = raw.items[i];
            EXPECT_EQ(std::tie(x.id, x.location, x.name, x.unit),
                      std::tie(y.id, y.location, y.name, y.unit));
            ASSERT_EQ(x.values.size(), y.values.size());
            EXPECT_TRUE(y.values.empty() ||
                        std::memcmp(x.values.data(), y.values.data(), 4 * y.values.size()) == 0)
                << "item " << y.id;
        }
        ASSERT_TRUE(k7t::write(dir.file("w.k7t"), back, &error)) << error;
        EXPECT_EQ(readBytes(dir.file("w.k7t")), raw.bytes());
    }

    // Each item sized by its own location, values from index 1, index 0 left alone; unknown
    // ids write nothing.
    const RawResultFile raw = smallRawFile();
    writeBytes(dir.file("small.k7t"), raw.bytes());
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(dir.file("small.k7t").c_str(), nullptr), k7t::kOpened);
    for (int id : {9, 2, 4, 0, 1, 5, 10, -4, std::numeric_limits<int>::max()}) {
        std::array<float, 6> values;
        values.fill(kSentinel);
        const auto item = std::find_if(raw.items.begin(), raw.items.end(),
                                       [id](const RawItem& i) { return i.id == id; });
        const std::size_t count = item == raw.items.end() ? 0 : item->values.size();
        EXPECT_EQ(reader.GetResultItem(id, values.data()), count > 0) << id;
        for (std::size_t k = 0; k < values.size(); ++k) {
            EXPECT_EQ(values[k], k >= 1 && k <= count ? item->values[k - 1] : kSentinel) << id;
        }
    }
}

TEST(K7tWriter, InconsistentContentIsRefusedBeforeTheFileIsTouched) {
    using File = k7t::ResultFile;
    File valid;
    valid.nodeCount = 2;
    valid.elemCount = 1;
    valid.items = {{4, 1, "FiberOrientation_a11", "", {1.0f}},
                   {2, 0, "Pressure", "MPa", {1.0f, 2.0f}}};
    const std::vector<std::pair<const char*, std::function<void(File&)>>> faults = {
        {"too few values", [](File& f) { f.items[1].values.pop_back(); }},
        {"values for the other location", [](File& f) { f.items[0].location = 0; }},
        {"location 2", [](File& f) { f.items[0].location = 2; }},
        {"repeated id",
         [](File& f) {
             f.items[1] = {4, 1, "", "", {3.0f}};
         }},
        {"project of 128", [](File& f) { f.project.assign(128, 'p'); }},
        {"date of 64", [](File& f) { f.date.assign(64, 'd'); }},
        {"name of 64", [](File& f) { f.items[0].name.assign(64, 'n'); }},
        {"unit with a NUL", [](File& f) { f.items[1].unit = std::string("M\0Pa", 4); }},
        {"negative node count",
         [](File& f) {
             f.nodeCount = -1;
             f.items.pop_back();
         }},
        {"element count 2^31-1",
         [](File& f) {
             f.elemCount = 2147483647;
             f.items.clear();
         }},
    };
    TempDir dir;
    const std::string path = dir.file("kept.k7t");
    writeBytes(path, "earlier content");
    for (const auto& [what, fault] : faults) {
        SCOPED_TRACE(what);
        File f = valid;
        fault(f);
        std::string error;
        EXPECT_FALSE(k7t::write(path, f, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(readBytes(path), "earlier content");
    }
    std::string error;
    EXPECT_FALSE(k7t::write(dir.file("no/such/folder/r.k7t"), valid, &error));
    EXPECT_NE(error.find("cannot be created"), std::string::npos) << error;
    EXPECT_FALSE(k7t::write(dir.path().string(), valid, &error));
    // A refused read leaves its target alone.
    File target = valid;
    EXPECT_FALSE(k7t::read(path, target, &error));
    EXPECT_NE(error.find("text"), std::string::npos) << error;
    EXPECT_EQ(target.items.size(), 2u);
}

}  // namespace
