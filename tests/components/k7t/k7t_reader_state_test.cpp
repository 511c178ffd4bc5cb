// The reader's behaviour around BeginReading: before it, after a failure, after EndReading,
// and with the buffers a careless caller may hand in.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "RawResultFile.h"
#include "TempDir.h"

namespace {

constexpr int kUntouched = -12345;
constexpr float kSentinel = -7777.0f;

// Every accessor reports "no file" and writes nothing.
void expectNothingOpen(CQVR3DResultReader_Manipulator& reader) {
    int a = kUntouched, b = kUntouched, steps = kUntouched, items = kUntouched;
    char text[3][8] = {"x", "x", "x"};
    EXPECT_FALSE(reader.GetHeadInfo(a, b, text[0], text[1], text[2], steps, items));
    EXPECT_EQ(a, kUntouched);
    EXPECT_EQ(items, kUntouched);
    EXPECT_STREQ(text[0], "x");
    int ids[1] = {kUntouched};
    EXPECT_FALSE(reader.GetResultItemInfo(ids, nullptr, nullptr, nullptr));
    EXPECT_EQ(ids[0], kUntouched);
    EXPECT_EQ(reader.GetResultVersion(), 0);
    EXPECT_EQ(reader.GetMaxCavityNode(), 0);
    EXPECT_EQ(reader.GetMaxCavityElem(), 0);
    float values[4] = {kSentinel, kSentinel, kSentinel, kSentinel};
    EXPECT_FALSE(reader.GetResultItem(4, values));
    for (float v : values) EXPECT_EQ(v, kSentinel);
    EXPECT_EQ(reader.EndReading(), -1);
}

class K7tReaderState : public ::testing::Test {
protected:
    void SetUp() override {
        writeBytes(small(), smallRawFile().bytes());
        writeBytes(text(), "plain text, not a binary result\n");
    }
    std::string small() const { return dir_.file("small.k7t"); }
    std::string text() const { return dir_.file("text.k7t"); }
    TempDir dir_;
};

TEST_F(K7tReaderState, NothingBeforeBeginReadingOrAfterEndReading) {
    CQVR3DResultReader_Manipulator reader;
    EXPECT_STREQ(reader.GetLastError(), "");
    expectNothingOpen(reader);
    ASSERT_EQ(reader.BeginReading(small().c_str(), nullptr), k7t::kOpened);
    EXPECT_EQ(reader.EndReading(), 0);
    expectNothingOpen(reader);
}

TEST_F(K7tReaderState, SecondBeginReadingAfterAFailureWorks) {
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(text().c_str(), nullptr), k7t::kTextResultFile);
    EXPECT_STRNE(reader.GetLastError(), "");
    expectNothingOpen(reader);
    ASSERT_EQ(reader.BeginReading(small().c_str(), "ignored"), k7t::kOpened);
    EXPECT_STREQ(reader.GetLastError(), "");
    float values[3] = {kSentinel, kSentinel, kSentinel};
    ASSERT_TRUE(reader.GetResultItem(4, values));
    EXPECT_EQ(values[1], 0.75f);
    EXPECT_EQ(values[2], 0.125f);
}

TEST_F(K7tReaderState, AFailureKeepsTheOpenFileAndASuccessReplacesIt) {
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(small().c_str(), nullptr), k7t::kOpened);
    EXPECT_EQ(reader.BeginReading(dir_.file("missing.k7t").c_str(), nullptr), k7t::kCannotRead);
    EXPECT_EQ(reader.GetMaxCavityNode(), 3);
    float values[3] = {};
    EXPECT_TRUE(reader.GetResultItem(9, values));
    EXPECT_EQ(values[2], -0.5f);

    RawResultFile other;
    other.nodeCount = 1;
    other.elemCount = 1;
    other.items = {{5, 1, "FiberOrientation_a22", "", {0.5f}}};
    writeBytes(dir_.file("other.k7t"), other.bytes());
    ASSERT_EQ(reader.BeginReading(dir_.file("other.k7t").c_str(), nullptr), k7t::kOpened);
    EXPECT_EQ(reader.GetMaxCavityNode(), 1);
    EXPECT_FALSE(reader.GetResultItem(9, values));
    EXPECT_TRUE(reader.GetResultItem(5, values));
    EXPECT_EQ(values[1], 0.5f);
}

TEST_F(K7tReaderState, NullBuffersAreSkipped) {
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(small().c_str(), nullptr), k7t::kOpened);
    int a = 0, b = 0, steps = 0, items = 0;
    EXPECT_TRUE(reader.GetHeadInfo(a, b, nullptr, nullptr, nullptr, steps, items));
    EXPECT_EQ(items, 3);
    char name[65] = {};
    char* names[3] = {nullptr, name, nullptr};
    int locations[3] = {kUntouched, kUntouched, kUntouched};
    EXPECT_TRUE(reader.GetResultItemInfo(nullptr, names, nullptr, locations));
    EXPECT_STREQ(name, "Pressure");
    EXPECT_EQ(locations[0], 1);
    EXPECT_EQ(locations[1], 0);
    EXPECT_FALSE(reader.GetResultItem(4, nullptr));
}

TEST_F(K7tReaderState, TextsFillingTheirWholeFieldAreTerminated) {
    RawResultFile raw = smallRawFile();
    raw.project = std::string(128, 'p');
    raw.date = std::string(64, 'd');
    raw.items[0].name = std::string(64, 'n');
    raw.items[0].unit = std::string(64, 'u');
    writeBytes(dir_.file("full.k7t"), raw.bytes());
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(dir_.file("full.k7t").c_str(), nullptr), k7t::kOpened);
    // Heap buffers of exactly the documented minimum, so an overrun is caught by the sanitizer.
    std::vector<char> project(129, 'x'), run(129, 'x'), date(65, 'x');
    int a = 0, b = 0, steps = 0, items = 0;
    ASSERT_TRUE(reader.GetHeadInfo(a, b, project.data(), run.data(), date.data(), steps, items));
    EXPECT_EQ(std::string(project.data()), raw.project);
    EXPECT_EQ(std::string(date.data()), raw.date);
    EXPECT_EQ(std::string(run.data()), raw.run);
    std::vector<std::vector<char>> texts(6, std::vector<char>(65, 'x'));
    char* names[3] = {texts[0].data(), texts[1].data(), texts[2].data()};
    char* units[3] = {texts[3].data(), texts[4].data(), texts[5].data()};
    ASSERT_TRUE(reader.GetResultItemInfo(nullptr, names, units, nullptr));
    EXPECT_EQ(std::string(names[0]), raw.items[0].name);
    EXPECT_EQ(std::string(units[0]), raw.items[0].unit);
    EXPECT_EQ(std::string(units[1]), "MPa");
}

TEST_F(K7tReaderState, NoItemsIsAnOpenFileWithNothingToFetch) {
    RawResultFile raw;
    raw.elemCount = 10;
    writeBytes(dir_.file("none.k7t"), raw.bytes());
    CQVR3DResultReader_Manipulator reader;
    ASSERT_EQ(reader.BeginReading(dir_.file("none.k7t").c_str(), nullptr), k7t::kOpened);
    EXPECT_TRUE(reader.GetResultItemInfo(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(reader.GetMaxCavityElem(), 10);
    std::vector<float> values(11, kSentinel);
    EXPECT_FALSE(reader.GetResultItem(4, values.data()));
    EXPECT_EQ(values[1], kSentinel);
}

}  // namespace
