// What the reader delivers from a hand-built file, what the writer produces, and that a
// written file reads back unchanged.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

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

TEST(K7tRoundTrip, HandBuiltFileIsDeliveredFieldByField) {
    TempDir dir;
    const RawResultFile raw = smallRawFile();
    writeBytes(dir.file("small.k7t"), raw.bytes());
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(dir.file("small.k7t").c_str(), nullptr), k7t::kOpened);
    EXPECT_STREQ(reader.GetLastError(), "");
    EXPECT_EQ(reader.GetResultVersion(), 0x0102030405060708LL);
    EXPECT_EQ(reader.GetMaxCavityNode(), 3);
    EXPECT_EQ(reader.GetMaxCavityElem(), 2);

    int analysis = 0, solver = 0, steps = 0, items = 0;
    char project[1024], run[1024], date[1024];
    ASSERT_TRUE(reader.GetHeadInfo(analysis, solver, project, run, date, steps, items));
    EXPECT_EQ(analysis, 7);
    EXPECT_EQ(solver, -3);
    EXPECT_STREQ(project, "bracket");
    EXPECT_STREQ(run, "fill 1");
    EXPECT_STREQ(date, "2024-05-06");
    EXPECT_EQ(steps, 12);
    ASSERT_EQ(items, 3);

    int ids[3], locations[3];
    char nameText[3][260], unitText[3][260];
    char* names[3] = {nameText[0], nameText[1], nameText[2]};
    char* units[3] = {unitText[0], unitText[1], unitText[2]};
    ASSERT_TRUE(reader.GetResultItemInfo(ids, names, units, locations));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(ids[k], raw.items[k].id);
        EXPECT_EQ(locations[k], raw.items[k].location);
        EXPECT_EQ(names[k], raw.items[k].name);
        EXPECT_EQ(units[k], raw.items[k].unit);
    }

    // Each item sized by its own location, values from index 1, index 0 left alone.
    for (const RawItem& item : raw.items) {
        std::array<float, 6> values;
        values.fill(kSentinel);
        ASSERT_TRUE(reader.GetResultItem(item.id, values.data())) << item.id;
        EXPECT_EQ(values[0], kSentinel);
        for (std::size_t k = 0; k < item.values.size(); ++k) EXPECT_EQ(values[k + 1], item.values[k]);
        EXPECT_EQ(values[item.values.size() + 1], kSentinel);
    }
    for (int unknown : {0, 1, 5, 10, -4, std::numeric_limits<int>::max()}) {
        std::array<float, 6> values;
        values.fill(kSentinel);
        EXPECT_FALSE(reader.GetResultItem(unknown, values.data()));
        for (float v : values) EXPECT_EQ(v, kSentinel);
    }
    EXPECT_EQ(reader.EndReading(), 0);
}

TEST(K7tRoundTrip, WriterProducesTheDocumentedBytes) {
    TempDir dir;
    const RawResultFile raw = smallRawFile();
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
    std::string error;
    ASSERT_TRUE(k7t::write(dir.file("w.k7t"), file, &error)) << error;
    EXPECT_EQ(readBytes(dir.file("w.k7t")), raw.bytes());
}

TEST(K7tRoundTrip, WrittenFileReadsBackUnchanged) {
    TempDir dir;
    k7t::ResultFile file;
    file.resultVersion = std::numeric_limits<std::int64_t>::min();
    file.analysisType = std::numeric_limits<int>::max();
    file.solverVersion = 40100;
    file.project = std::string(127, 'p');
    file.run = "run with\ttab";
    file.date = std::string(63, 'd');
    file.timeSteps = -1;
    file.nodeCount = 4;
    file.elemCount = 5;
    // Values whose bits a sloppy encoder would change.
    const float special[] = {-0.0f, std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::quiet_NaN(), 1.0f / 3.0f};
    int serial = 0;
    for (int id : {11, 1, 5, 10, 2, 4, 9, 6}) {
        const int location = (id == 1 || id == 2) ? 0 : 1;
        k7t::ResultItem item{id, location, "item " + std::to_string(id),
                             id == 1 ? std::string(63, 'u') : "", {}};
        const std::int64_t count = location == 0 ? file.nodeCount : file.elemCount;
        for (std::int64_t k = 0; k < count; ++k) {
            item.values.push_back(k == 0 ? special[serial % 5] : float(id * 100 + k));
        }
        ++serial;
        file.items.push_back(item);
    }
    std::string error;
    ASSERT_TRUE(k7t::write(dir.file("rt.k7t"), file, &error)) << error;
    EXPECT_EQ(readBytes(dir.file("rt.k7t")).size(), 368u + 8 * 136 + 4 * (2 * 4 + 6 * 5));

    k7t::ResultFile back;
    ASSERT_TRUE(k7t::read(dir.file("rt.k7t"), back, &error)) << error;
    EXPECT_EQ(back.resultVersion, file.resultVersion);
    EXPECT_EQ(back.analysisType, file.analysisType);
    EXPECT_EQ(back.solverVersion, file.solverVersion);
    EXPECT_EQ(back.project, file.project);
    EXPECT_EQ(back.run, file.run);
    EXPECT_EQ(back.date, file.date);
    EXPECT_EQ(back.timeSteps, file.timeSteps);
    EXPECT_EQ(back.nodeCount, file.nodeCount);
    EXPECT_EQ(back.elemCount, file.elemCount);
    ASSERT_EQ(back.items.size(), file.items.size());
    for (std::size_t i = 0; i < file.items.size(); ++i) {
        const k7t::ResultItem& a = file.items[i];
        const k7t::ResultItem& b = back.items[i];
        SCOPED_TRACE(a.id);
        EXPECT_EQ(b.id, a.id);
        EXPECT_EQ(b.location, a.location);
        EXPECT_EQ(b.name, a.name);
        EXPECT_EQ(b.unit, a.unit);
        ASSERT_EQ(b.values.size(), a.values.size());
        for (std::size_t k = 0; k < a.values.size(); ++k) {
            EXPECT_EQ(bitsOf(b.values[k]), bitsOf(a.values[k])) << k;
        }
    }
}

TEST(K7tRoundTrip, EmptyContentRoundTrips) {
    TempDir dir;
    k7t::ResultFile file;
    file.nodeCount = 0;
    file.elemCount = 3;
    file.items.push_back({7, 0, "no nodes", "", {}});
    ASSERT_TRUE(k7t::write(dir.file("e.k7t"), file));
    k7t::ResultFile back;
    ASSERT_TRUE(k7t::read(dir.file("e.k7t"), back));
    ASSERT_EQ(back.items.size(), 1u);
    EXPECT_TRUE(back.items[0].values.empty());
    EXPECT_EQ(back.elemCount, 3);
}

}  // namespace
