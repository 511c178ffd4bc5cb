// numpy's array files: .npy (one array) and .npz (a zip archive of .npy entries, stored or
// deflated, as numpy.savez and numpy.savez_compressed write them, ZIP64 records included).
//
// Reading is bounded: every size and offset is checked against the file before it is used,
// an entry inflates to at most the size its record states (and at most kMaxNpyBytes), and an
// array's shape must match its data exactly. Element types: little-endian float64, float32,
// int64, int32 (and the same types in native byte order on a little-endian machine).
#ifndef QVR_CLI_NPY_ARCHIVE_H
#define QVR_CLI_NPY_ARCHIVE_H

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qvr::cli {

// Largest array (bytes of data) read from an archive entry: 8 GiB, room for 10^8 cells of six
// float64 components with margin, and a bound on what a small deflated entry may claim.
constexpr std::uint64_t kMaxNpyBytes = 8ull << 30;

struct NpyArray {
    std::vector<std::uint64_t> shape;
    std::vector<double> values;  // C order; Fortran-order files are reordered on reading
    bool integral = false;       // the file held integers
};

// Parses one .npy image. False with a one-line reason.
bool parseNpy(std::string_view data, NpyArray& array, std::string& error);
// The arrays of a .npz image by name (without ".npy"). False with a one-line reason.
bool parseNpz(std::string_view data, std::map<std::string, NpyArray>& arrays, std::string& error);

}  // namespace qvr::cli

#endif
