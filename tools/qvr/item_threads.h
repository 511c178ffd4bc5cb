// The host's fan-out of independent items over a few threads, for library queries documented
// as safe to call concurrently (QVR3DExtractTool::GetWallRay).
#ifndef QVR_TOOLS_QVR_ITEM_THREADS_H
#define QVR_TOOLS_QVR_ITEM_THREADS_H

#include <cstddef>
#include <functional>

namespace qvr::cli {

// Calls work(first, last) for chunks [first, last) of at most `chunk` items covering
// [0, count), handed out in order from one counter, on `threads` threads: the calling thread
// and threads - 1 started for the call (fewer when there are fewer chunks, or when the system
// refuses a thread). afterChunk(done) runs on the calling thread only, after each chunk it
// did, with the number of items finished by then. If work throws, no new chunk starts and
// the first exception is rethrown once every thread has stopped.
void forEachChunkOnThreads(std::size_t count, int threads, std::size_t chunk,
                           const std::function<void(std::size_t first, std::size_t last)>& work,
                           const std::function<void(std::size_t done)>& afterChunk);

}  // namespace qvr::cli

#endif
