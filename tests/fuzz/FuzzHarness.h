// The bodies of the fuzz targets, shared by the libFuzzer entry points and by the ordinary test
// that replays the committed corpora. Each takes one input, runs it through a reader the way a
// caller would, and checks what a reader that accepted the input must guarantee.
#ifndef QVR_FUZZ_HARNESS_H
#define QVR_FUZZ_HARNESS_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvr::fuzz {

// Each returns "" when the input was handled correctly (accepted or refused with a reason),
// otherwise what went wrong. Memory faults are left to the sanitizers.
std::string meshText(const std::uint8_t* data, std::size_t size);    // mesh reader, text parser
std::string meshBinary(const std::uint8_t* data, std::size_t size);  // mesh reader, binary parser
std::string resultFile(const std::uint8_t* data, std::size_t size);  // result reader, via a file
std::string gmshImport(const std::uint8_t* data, std::size_t size);  // Gmsh importer
std::string kernelMesh(const std::uint8_t* data, std::size_t size);  // kernel on accepted meshes

// A file name private to this process inside the temporary folder (a RAM disk when there is
// one), for the targets whose reader only takes a path.
std::string scratchFile(const std::string& suffix);
// The input written to scratchFile(suffix); "" when it cannot be written.
std::string scratchCopy(const std::string& suffix, const std::uint8_t* data, std::size_t size);

}  // namespace qvr::fuzz

#endif
