// The file helpers the readers, the writers and the host share: what the whole-file reader takes
// and refuses, how an output file replaces its target, and how a set of them replaces theirs.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>

#include "TempDir.h"
#include "common/little_endian.h"
#include "common/output_file.h"
#include "common/output_set.h"
#include "common/whole_file.h"

namespace {

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t entriesIn(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

// Writes `bytes` bytes into a named pipe from another thread while `read` runs.
template <class Read>
bool readFromPipe(const std::string& fifo, std::size_t bytes, Read read) {
    std::thread writer([&] {
        std::FILE* f = std::fopen(fifo.c_str(), "wb");
        if (f == nullptr) return;
        const std::string block(4096, 'x');
        for (std::size_t done = 0; done < bytes; done += block.size())
            if (std::fwrite(block.data(), 1, std::min(block.size(), bytes - done), f) == 0) break;
        std::fclose(f);
    });
    const bool ok = read();
    writer.join();
    return ok;
}

TEST(WholeFile, ReadsFilesAndPipesRefusesDevicesFoldersAndLongStreams) {
    TempDir dir;
    const std::string file = dir.file("f.bin");
    std::ofstream(file, std::ios::binary) << std::string("ab\0cd", 5);
    std::string data, reason;
    ASSERT_TRUE(qvr::common::readWholeFile(file.c_str(), data, reason)) << reason;
    EXPECT_EQ(data, std::string("ab\0cd", 5));

#if defined(_WIN32)
    GTEST_SKIP() << "named pipes (mkfifo) and /dev/zero are POSIX; only the plain file was read";
#else
    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(readFromPipe(fifo, 10000, [&] {
        return qvr::common::readWholeFile(fifo.c_str(), data, reason, 10000);
    })) << reason;
    EXPECT_EQ(data.size(), 10000u);
    EXPECT_FALSE(readFromPipe(fifo, 10001, [&] {
        return qvr::common::readWholeFile(fifo.c_str(), data, reason, 10000);
    }));
    EXPECT_NE(reason.find("more than 10000 bytes"), std::string::npos) << reason;
    EXPECT_FALSE(qvr::common::readFileStart(fifo.c_str(), 4, data))
        << "looking at a pipe's start consumes it";

    for (const std::string& path :
         {std::string("/dev/zero"), dir.path().string(), dir.file("none")}) {
        EXPECT_FALSE(qvr::common::readWholeFile(path.c_str(), data, reason)) << path;
        EXPECT_FALSE(reason.empty());
    }
    EXPECT_NE(reason.find("cannot open"), std::string::npos) << reason;
#endif
}

TEST(OutputFile, ReplacesItsTargetOnlyWhenClosed) {
    TempDir dir;
    const std::string target = dir.file("t.txt");
    std::ofstream(target) << "old";
    std::string reason;
    {
        qvr::common::OutputFile out;
        ASSERT_TRUE(out.open(target, reason)) << reason;
        out.append("new ");
        std::memcpy(out.reserve(5 << 20), std::string(5 << 20, 'y').data(),
                    5 << 20);  // beyond one block
        out.commit(5 << 20);
        EXPECT_EQ(contentOf(target), "old") << "nothing under the final name before close";
        EXPECT_EQ(entriesIn(dir.path()), 2u);
        ASSERT_TRUE(out.close(reason)) << reason;
    }
    EXPECT_EQ(contentOf(target).size(), 4u + (5u << 20));
    EXPECT_EQ(entriesIn(dir.path()), 1u);

    qvr::common::OutputFile lost;
    EXPECT_FALSE(lost.open(dir.file("no/such/folder/t.txt"), reason));
    EXPECT_NE(reason.find("cannot create"), std::string::npos) << reason;
}

// A finished file of `text` for `path`, ready to join a set.
std::unique_ptr<qvr::common::OutputFile> finished(const std::string& path,
                                                  const std::string& text) {
    auto out = std::make_unique<qvr::common::OutputFile>();
    std::string reason;
    EXPECT_TRUE(out->open(path, reason)) << reason;
    out->append(text);
    EXPECT_TRUE(out->finish(reason)) << reason;
    return out;
}

TEST(OutputSet, ReplacesEveryTargetOnlyWhenPublished) {
    TempDir dir;
    const std::string a = dir.file("a.txt"), b = dir.file("b.txt"), gone = dir.file("old.csv");
    std::ofstream(a) << "old a";
    std::ofstream(b) << "old b";
    std::ofstream(gone) << "an earlier table";
    {  // abandoned after two of three files were complete (a later one failed)
        qvr::common::OutputSet set;
        set.adopt(finished(a, "new a"));
        set.adopt(finished(b, "new b"));
        set.retire(gone);
        EXPECT_EQ(entriesIn(dir.path()), 5u) << "the complete files wait under temporary names";
    }
    EXPECT_EQ(contentOf(a), "old a");
    EXPECT_EQ(contentOf(b), "old b");
    EXPECT_EQ(contentOf(gone), "an earlier table") << "retired only by a publish";
    EXPECT_EQ(entriesIn(dir.path()), 3u);

    qvr::common::OutputSet set;
    set.adopt(finished(a, "new a"));
    set.adopt(finished(b, "new b"));
    set.retire(gone);
    set.retire(dir.file("never-written.csv"));  // absent: nothing to do, no failure
    std::string reason;
    ASSERT_TRUE(set.publish(reason)) << reason;
    EXPECT_EQ(contentOf(a), "new a");
    EXPECT_EQ(contentOf(b), "new b");
    EXPECT_FALSE(std::filesystem::exists(gone));
    EXPECT_EQ(entriesIn(dir.path()), 2u);
}

TEST(OutputSet, ARenameThatFailsStopsThePublishInOrder) {
    TempDir dir;
    const std::string first = dir.file("1.txt"), blocked = dir.file("2.txt"),
                      last = dir.file("3.txt");
    std::ofstream(first) << "old 1";
    std::ofstream(last) << "old 3";
    qvr::common::OutputSet set;
    set.adopt(finished(first, "new 1"));
    set.adopt(finished(blocked, "new 2"));
    set.adopt(finished(last, "new 3"));
    // A folder appears where the second file goes: a file cannot be renamed over it.
    std::filesystem::create_directory(blocked);
    std::ofstream(blocked + "/inside") << "x";
    std::string reason;
    EXPECT_FALSE(set.publish(reason));
    EXPECT_NE(reason.find("2.txt"), std::string::npos) << reason;
    EXPECT_EQ(contentOf(first), "new 1");
    EXPECT_EQ(contentOf(last), "old 3");
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

TEST(OutputFile, AFileStillBeingWrittenIsNeverPublished) {
    TempDir dir;
    const std::string target = dir.file("t.txt");
    std::ofstream(target) << "old";
    qvr::common::OutputFile out;
    std::string reason;
    ASSERT_TRUE(out.open(target, reason)) << reason;
    out.append("half");
    EXPECT_FALSE(out.publish(reason));
    EXPECT_EQ(contentOf(target), "old");
    EXPECT_EQ(entriesIn(dir.path()), 1u);
    EXPECT_FALSE(out.finish(reason)) << "discarded by the refused publish";
}

TEST(LittleEndian, FieldsRoundTripInFileByteOrder) {
    unsigned char b[8];
    qvr::common::le::storeI64(b, -2);
    EXPECT_EQ(b[0], 0xFE);
    EXPECT_EQ(b[7], 0xFF);
    EXPECT_EQ(qvr::common::le::loadI64(b), -2);
    qvr::common::le::storeF32(b, 1.5f);
    EXPECT_EQ(qvr::common::le::loadU32(b), 0x3FC00000u);
    EXPECT_EQ(qvr::common::le::loadF32(b), 1.5f);
}

}  // namespace
