// What the writer produces, that a written file reads back unchanged, and the content the
// writer must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <tuple>

#include "CQVR3DResultReader_Manipulator.h"
#include "RawResultFile.h"
#include "TempDir.h"

namespace {

constexpr float kSentinel = -7777.0f;

std::uint32_t bitsOf(float v) {
    std::uint32_t b;
    std::memcpy(&b, &v, 4);
    return b;
}

k7t::ResultFile toResultFile(const RawResultFile& raw) {
    k7t::ResultFile file;
    file.resultVersion = raw.resultVersion;
    file.analysisType = raw.analysisType;
    file.solverVersion = raw.solverVersion;
    file.project = raw.project;
    file.run = raw.run;
    file.date = raw.date;
    file.timeSteps = raw.timeSteps;
    file.nodeCount = raw.nodeCount;
    file.elemCount = raw.elemCount;
    for (const RawItem& item : raw.items) {
        file.items.push_back({item.id, item.location, item.name, item.unit, item.values});
    }
    return file;
}

void expectSameFile(const k7t::ResultFile& a, const k7t::ResultFile& b) {
    EXPECT_EQ(std::tie(a.resultVersion, a.analysisType, a.solverVersion, a.project, a.run, a.date,
                       a.timeSteps, a.nodeCount, a.elemCount),
              std::tie(b.resultVersion, b.analysisType, b.solverVersion, b.project, b.run, b.date,
                       b.timeSteps, b.nodeCount, b.elemCount));
    ASSERT_EQ(a.items.size(), b.items.size());
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        const k7t::ResultItem &x = a.items[i], &y = b.items[i];
        EXPECT_EQ(std::tie(x.id, x.location, x.name, x.unit), std::tie(y.id, y.location, y.name, y.unit));
        ASSERT_EQ(x.values.size(), y.values.size()) << x.id;
        for (std::size_t k = 0; k < x.values.size(); ++k) {
            EXPECT_EQ(bitsOf(x.values[k]), bitsOf(y.values[k])) << x.id << " " << k;
        }
    }
}

TEST(K7tRoundTrip, HandBuiltFileReadsAndIsWrittenByteForByte) {
    TempDir dir;
    const RawResultFile raw = smallRawFile();
    writeBytes(dir.file("small.k7t"), raw.bytes());
    k7t::ResultFile back;
    std::string error;
    ASSERT_TRUE(k7t::read(dir.file("small.k7t"), back, &error)) << error;
    expectSameFile(toResultFile(raw), back);
    ASSERT_TRUE(k7t::write(dir.file("w.k7t"), back, &error)) << error;
    EXPECT_EQ(readBytes(dir.file("w.k7t")), raw.bytes());

    // Each item sized by its own location, values from index 1, index 0 left alone; unknown
    // ids write nothing.
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

TEST(K7tRoundTrip, WrittenFileReadsBackUnchanged) {
    k7t::ResultFile file = toResultFile(smallRawFile());
    file.resultVersion = std::numeric_limits<std::int64_t>::min();
    file.analysisType = std::numeric_limits<int>::max();
    file.project = std::string(127, 'p');
    file.run = "run with\ttab";
    file.date = std::string(63, 'd');
    file.timeSteps = -1;
    file.items[1].unit = std::string(63, 'u');
    // Values whose bits a sloppy encoder would change.
    file.items[0].values = {-0.0f, std::numeric_limits<float>::denorm_min()};
    file.items[1].values = {std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(), 1.0f / 3.0f};
    // A file without nodes holds per-node items without values.
    k7t::ResultFile noNodes;
    noNodes.elemCount = 3;
    noNodes.items.push_back({7, 0, "no nodes", "", {}});
    TempDir dir;
    for (const k7t::ResultFile* f : {&file, &noNodes}) {
        std::string error;
        ASSERT_TRUE(k7t::write(dir.file("rt.k7t"), *f, &error)) << error;
        k7t::ResultFile back;
        ASSERT_TRUE(k7t::read(dir.file("rt.k7t"), back, &error)) << error;
        expectSameFile(*f, back);
    }
}

using File = k7t::ResultFile;

File validFile() {
    File f;
    f.nodeCount = 2;
    f.elemCount = 1;
    f.items = {{4, 1, "FiberOrientation_a11", "", {1.0f}}, {2, 0, "Pressure", "MPa", {1.0f, 2.0f}}};
    return f;
}

TEST(K7tWriter, InconsistentContentIsRefusedBeforeTheFileIsTouched) {
    const std::vector<std::pair<const char*, std::function<void(File&)>>> faults = {
        {"too few values", [](File& f) { f.items[1].values.pop_back(); }},
        {"values for the other location", [](File& f) { f.items[0].location = 0; }},
        {"location 2", [](File& f) { f.items[0].location = 2; }},
        {"repeated id", [](File& f) { f.items[1] = {4, 1, "", "", {3.0f}}; }},
        {"project of 128", [](File& f) { f.project.assign(128, 'p'); }},
        {"date of 64", [](File& f) { f.date.assign(64, 'd'); }},
        {"name of 64", [](File& f) { f.items[0].name.assign(64, 'n'); }},
        {"unit with a NUL", [](File& f) { f.items[1].unit = std::string("M\0Pa", 4); }},
        {"negative node count", [](File& f) { f.nodeCount = -1; f.items.pop_back(); }},
        {"element count 2^31-1", [](File& f) { f.elemCount = 2147483647; f.items.clear(); }},
    };
    TempDir dir;
    const std::string path = dir.file("kept.k7t");
    writeBytes(path, "earlier content");
    for (const auto& [what, fault] : faults) {
        SCOPED_TRACE(what);
        File f = validFile();
        fault(f);
        std::string error;
        EXPECT_FALSE(k7t::write(path, f, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(readBytes(path), "earlier content");
    }
    // The longest texts that fit are accepted.
    File f = validFile();
    f.project.assign(127, 'p');
    f.items[0].unit.assign(63, 'u');
    EXPECT_TRUE(k7t::write(path, f));
}

TEST(K7tWriter, UnwritablePathAndUnreadableFileFail) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(k7t::write(dir.file("no/such/folder/r.k7t"), validFile(), &error));
    EXPECT_NE(error.find("cannot be created"), std::string::npos) << error;
    EXPECT_FALSE(k7t::write(dir.path().string(), validFile(), &error));

    writeBytes(dir.file("t.k7t"), "text\n");
    File target = validFile();
    EXPECT_FALSE(k7t::read(dir.file("t.k7t"), target, &error));
    EXPECT_NE(error.find("text"), std::string::npos) << error;
    EXPECT_EQ(target.items.size(), 2u);
}

}  // namespace
