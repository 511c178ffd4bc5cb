// Text compressed on its way into an output file, in gzip framing (RFC 1952): what gzip, zcat,
// pandas.read_csv and numpy.loadtxt read directly when the name ends in ".gz".
#ifndef QVR_CLI_GZIP_STREAM_H
#define QVR_CLI_GZIP_STREAM_H

#include <cstddef>
#include <memory>
#include <vector>

namespace qvr::common {
class OutputFile;
}

namespace qvr::cli {

// zlib's level for gzip output. Default 1 (fastest). On the long CSV of a 988 380-cell part
// (1.66 M rows, 143 MB of text) level 1 gave 7.1 MB for 0.27 s of CPU, level 6 gave 6.4 MB for
// 1.33 s: a tenth smaller for five times the time.
constexpr int kGzipLevel = 1;

// Uncompressed bytes gathered before each deflate call: large enough that zlib's per-call cost
// vanishes, small against the output file's own 4 MiB buffer.
constexpr std::size_t kGzipInputBytes = std::size_t{1} << 20;

class GzipStream {
public:
    // Compresses into `file`, which must outlive the stream. Throws CliError (file) when zlib
    // cannot start.
    explicit GzipStream(common::OutputFile& file);
    ~GzipStream();
    GzipStream(const GzipStream&) = delete;
    GzipStream& operator=(const GzipStream&) = delete;

    // Room for `bytes` more uncompressed bytes; write them, then commit(bytes).
    char* reserve(std::size_t bytes);
    void commit(std::size_t bytes) { used_ += bytes; }

    // Compresses what is left and writes the gzip trailer. No writes may follow.
    void finish();

private:
    void deflateInput(int flush);

    struct State;
    std::unique_ptr<State> state_;
    common::OutputFile& file_;
    std::vector<char> input_;
    std::size_t used_ = 0;
};

}  // namespace qvr::cli

#endif
