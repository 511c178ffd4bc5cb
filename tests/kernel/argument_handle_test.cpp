// The splitting of joined command arguments at asterisks into up to six buffers.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "QVROptKer.h"

namespace {

constexpr char kUntouched[] = "untouched";
using Fields = std::array<std::string, 6>;

// Runs argumentHandle on the given arguments and returns the six buffers.
Fields split(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    char out[6][64];
    for (auto& o : out) std::strcpy(o, kUntouched);
    CQVROptKer kernel;
    EXPECT_EQ(kernel.argumentHandle(static_cast<int>(argv.size()), argv.data(), out[0], out[1],
                                    out[2], out[3], out[4], out[5]),
              1);
    return {out[0], out[1], out[2], out[3], out[4], out[5]};
}

TEST(ArgumentHandle, FieldsEndAtEachAsterisk) {
    const std::string u = kUntouched;
    EXPECT_EQ(split({"a*b*c*"}), (Fields{"a", "b", "c", u, u, u}));
    // The program name and the joining blank belong to the first field.
    EXPECT_EQ(split({"prog", "x*y*"}), (Fields{"prog x", "y", u, u, u, u}));
    EXPECT_EQ(split({"a**b*"}), (Fields{"a", "", "b", u, u, u}));
    EXPECT_EQ(split({"no asterisk here"}), (Fields{u, u, u, u, u, u}));
    EXPECT_EQ(split({"a*b"}), (Fields{"a", u, u, u, u, u}));
    EXPECT_EQ(split({"1*2*3*4*5*6*7*8*"}), (Fields{"1", "2", "3", "4", "5", "6"}));
    // Arguments are joined before the split, so a field can span them.
    EXPECT_EQ(split({"p", "a", "b*", "*c*"}), (Fields{"p a b", " ", "c", u, u, u}));
    EXPECT_EQ(split({"*"}), (Fields{"", u, u, u, u, u}));
}

TEST(ArgumentHandle, NothingToSplitIsSafe) {
    char out[6][16];
    for (auto& o : out) std::strcpy(o, "x");
    CQVROptKer kernel;
    char arg[] = "a*b*";
    char* argv[] = {arg, nullptr};
    for (const auto& [argc, args] : {std::make_pair(0, argv), {-3, argv}, {1, nullptr}}) {
        EXPECT_EQ(kernel.argumentHandle(argc, args, out[0], out[1], out[2], out[3], out[4], out[5]),
                  1);
    }
    for (auto& o : out) EXPECT_STREQ(o, "x");
    // Null buffers simply receive nothing; the others are still filled.
    EXPECT_EQ(kernel.argumentHandle(1, argv, nullptr, out[1], nullptr, nullptr, nullptr, nullptr),
              1);
    EXPECT_STREQ(out[1], "b");
}

}  // namespace
