#include "gzip_stream.h"

#include <zlib.h>

#include "cli_support.h"
#include "common/output_file.h"

namespace qvr::cli {

namespace {
// zlib's windowBits for a 32 KiB window (15) plus 16: gzip framing instead of zlib's own.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;  // zlib's default
// Compressed bytes asked of the output file per deflate step.
constexpr std::size_t kDeflateOutputBytes = std::size_t{256} << 10;
// The gzip header's operating-system byte: 255, unknown. zlib would otherwise write the
// building system's code, and the same run on Linux and Windows gives different files.
constexpr int kUnknownOperatingSystem = 255;
}  // namespace

struct GzipStream::State {
    z_stream z{};
    gz_header header{};
};

GzipStream::GzipStream(common::OutputFile& file) : state_(std::make_unique<State>()), file_(file) {
    if (deflateInit2(&state_->z, kGzipLevel, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        failFile(file.path() + ": zlib could not start compressing");
    // No name and no time in the header (time 0 means none), so that equal text gives an
    // equal file.
    state_->header.os = kUnknownOperatingSystem;
    deflateSetHeader(&state_->z, &state_->header);
    input_.resize(kGzipInputBytes);
}

GzipStream::~GzipStream() { deflateEnd(&state_->z); }

char* GzipStream::reserve(std::size_t bytes) {
    if (input_.size() - used_ < bytes) deflateInput(Z_NO_FLUSH);
    if (input_.size() < bytes) input_.resize(bytes);
    return input_.data() + used_;
}

void GzipStream::finish() { deflateInput(Z_FINISH); }

void GzipStream::deflateInput(int flush) {
    z_stream& z = state_->z;
    z.next_in = reinterpret_cast<Bytef*>(input_.data());
    z.avail_in = static_cast<uInt>(used_);
    for (;;) {
        char* room = file_.reserve(kDeflateOutputBytes);
        z.next_out = reinterpret_cast<Bytef*>(room);
        z.avail_out = static_cast<uInt>(kDeflateOutputBytes);
        const int rc = deflate(&z, flush);
        file_.commit(kDeflateOutputBytes - z.avail_out);
        if (rc == Z_STREAM_END) break;
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            failFile(file_.path() + ": zlib could not compress the text");
        // Without Z_FINISH deflate is done once it has taken all the input and left room.
        if (flush != Z_FINISH && z.avail_in == 0 && z.avail_out != 0) break;
    }
    used_ = 0;
}

}  // namespace qvr::cli
