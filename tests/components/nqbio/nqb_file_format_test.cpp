// The encoding is told from the first bytes alone; anything else is not a mesh file.
#include <gtest/gtest.h>

#include <string>

#include "NqbTestFiles.h"
#include "TempDir.h"

namespace {

int formatOf(const char* path) {
    NQBIO_FileFormat format = NQBIO_FORMAT_TEXT;
    const int result = NQBIO_Manipulator::getFileFormat(path, format);
    EXPECT_EQ(result, static_cast<int>(format));
    return result;
}

TEST(FileFormat, FirstBytesDecide) {
    TempDir dir;
    const std::string path = dir.file("probe");
    const struct {
        std::string bytes;
        int format;
    } cases[] = {
        {nqbtest::kCubeText, 0},
        {"NQBTEXT 1\r\n", 0},
        {"NQBTEXT\t1", 0},
        {"NQBTEXT", 0},
        {"NQBTEXT 7\n", 0},  // the version is beginReading's concern
        {"NQBTEXT#\n", 0},
        {"NQBTEXTX 1\n", -1},
        {"nqbtext 1\n", -1},
        {" NQBTEXT 1\n", -1},
        {"NQBB", 1},
        {std::string("NQBB\x02\0\0\0", 8), 1},
        {"NQB", -1},
        {"", -1},
        {std::string("\0\0\0\0", 4), -1},
    };
    for (const auto& c : cases) {
        nqbtest::writeBytes(path, c.bytes);
        EXPECT_EQ(formatOf(path.c_str()), c.format) << c.bytes;
    }
    EXPECT_EQ(formatOf(dir.file("absent").c_str()), -1);
    EXPECT_EQ(formatOf(dir.path().c_str()), -1);
    EXPECT_EQ(formatOf(nullptr), -1);
    EXPECT_EQ(formatOf(""), -1);
}

TEST(FileFormat, PackageVersion) { EXPECT_EQ(NQBIO_GetPackageVersion(), 11002); }

}  // namespace
