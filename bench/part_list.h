// The parts of a run, from the command line of the suite and the memory probe:
//   --qvr_sizes=10000,100000,1000000   requested cell counts
//   --qvr_types=hex,tet                cell kinds (tet, pyramid, prism, hex, mixed)
#ifndef QVR_BENCH_PART_LIST_H
#define QVR_BENCH_PART_LIST_H

#include <string>
#include <vector>

#include "bench_part.h"

namespace qvr::bench {

// Takes both flags out of argv (defaults where absent) and lists the parts size by size.
// False with a message in `error` for a bad size or cell kind.
bool takePartList(int& argc, char** argv, std::vector<PartKey>& parts, std::string& error);

}  // namespace qvr::bench

#endif
