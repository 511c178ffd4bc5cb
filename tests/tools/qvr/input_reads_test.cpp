// The host opens each input file once per command: the extraction tool loads the mesh and lends
// its kernel, the host reads the result file once for its check and the values, `info` reads
// what it describes once after a look at the first bytes, and a refused mesh is reported in the
// host's own line without the reader's copy on standard error.
//
// Opens are counted by the operating system (inotify), so every reader inside the program and
// the library counts, whichever component opens the file.
#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "QvrTestSupport.h"
#include "TempDir.h"

namespace {

// Counts the opens of some files while it lives.
class OpenCounter {
public:
    OpenCounter() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpenCounter() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    bool ready() const { return fd_ >= 0; }
    bool watch(const std::string& path) {
        // Closes are watched too: the queue merges an event into an identical one before it,
        // so back-to-back opens would count once without the close between them.
        const int wd = inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE);
        if (wd < 0) return false;
        names_[wd] = path;
        return true;
    }
    // Opens of each watched file since the watch began (the events queued so far).
    std::map<std::string, int> opens() {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_OPEN) != 0) ++counts_[names_[event->wd]];
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return counts_;
    }

private:
    int fd_;
    std::map<int, std::string> names_;
    std::map<std::string, int> counts_;
};

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class InputReads : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(counter.ready()) << "inotify: " << errno;
        ASSERT_EQ(runQvr({"generate", "plate", mesh, result, "--nx", "6", "--ny", "4", "--nz", "2"},
                         scratch)
                      .exitCode,
                  0);
        ASSERT_TRUE(counter.watch(mesh));
        ASSERT_TRUE(counter.watch(result));
    }

    TempDir dir;
    const std::string scratch = dir.path().string();
    const std::string mesh = dir.file("p.nqb"), result = dir.file("p.k7t");
    OpenCounter counter;
};

TEST_F(InputReads, ExtractOpensTheMeshAndTheResultsOnceInEitherMode) {
    for (const char* mode : {"exact", "centroid"}) {
        const QvrResult r = runQvr({"extract", mesh, result, "--thickness", mode, "--out",
                                    dir.file(std::string("out-") + mode)},
                                   scratch);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    const std::map<std::string, int> opens = counter.opens();
    EXPECT_EQ(opens.count(mesh) ? opens.at(mesh) : 0, 2) << "mesh, over two runs";
    EXPECT_EQ(opens.count(result) ? opens.at(result) : 0, 2) << "results, over two runs";
}

TEST_F(InputReads, InfoLooksAtTheFirstBytesThenReadsTheFileOnce) {
    ASSERT_EQ(runQvr({"info", mesh}, scratch).exitCode, 0);
    ASSERT_EQ(runQvr({"info", result}, scratch).exitCode, 0);
    const std::map<std::string, int> opens = counter.opens();
    EXPECT_EQ(opens.count(mesh) ? opens.at(mesh) : 0, 2);
    EXPECT_EQ(opens.count(result) ? opens.at(result) : 0, 2);
}

TEST_F(InputReads, ARefusedResultOrMeshIsReadOnceAndReportedInOneLine) {
    // Results of another mesh: refused after one read of each file, before anything is traced.
    const std::string other = dir.file("other.nqb"), otherResult = dir.file("other.k7t");
    ASSERT_EQ(
        runQvr({"generate", "plate", other, otherResult, "--nx", "3", "--ny", "3", "--nz", "1"},
               scratch)
            .exitCode,
        0);
    const QvrResult mismatch =
        runQvr({"extract", mesh, otherResult, "--out", dir.file("o1")}, scratch);
    EXPECT_NE(mismatch.exitCode, 0);
    EXPECT_TRUE(has(mismatch.err, "belong to another mesh")) << mismatch.err;

    // A damaged mesh: the reader's reason appears once, in the host's line, with the name the
    // user gave; the library's own line stays on standard output.
    std::ofstream(dir.file("bad.nqb")) << "NQBTEXT 1\nUNIT mm\nCOUNTS 2 0 0\nNODES\n1 2\n";
    ASSERT_TRUE(counter.watch(dir.file("bad.nqb")));
    const QvrResult bad =
        runQvr({"extract", dir.file("bad.nqb"), result, "--out", dir.file("o2")}, scratch);
    EXPECT_NE(bad.exitCode, 0);
    std::size_t mentions = 0;
    for (const std::string& line : splitLines(bad.err)) mentions += has(line, "bad.nqb:") ? 1 : 0;
    EXPECT_EQ(mentions, 1u) << bad.err;
    EXPECT_TRUE(has(bad.out, "Error 3301")) << bad.out;

    const std::map<std::string, int> opens = counter.opens();
    EXPECT_EQ(opens.count(mesh) ? opens.at(mesh) : 0, 1);
    EXPECT_EQ(opens.count(dir.file("bad.nqb")) ? opens.at(dir.file("bad.nqb")) : 0, 1);
    // The results of the damaged mesh's run are never opened: the mesh comes first.
    EXPECT_EQ(opens.count(result) ? opens.at(result) : 0, 0);
}

}  // namespace
