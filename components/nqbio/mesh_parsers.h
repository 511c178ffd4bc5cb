// Parsers of the two encodings. Both work on the whole file in memory and check everything
// before they report success; on failure the mesh passed in may hold partial content.
#ifndef NQBIO_MESH_PARSERS_H
#define NQBIO_MESH_PARSERS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "NQBIO_Manipulator.h"

namespace nqbio {

// Where a file is wrong: a line number (text, 1-based) or a byte offset (binary), and what.
struct ParseFault {
    std::uint64_t place = 0;
    std::string what;
};

// The encoding named by the first bytes of a file (a few dozen bytes are enough).
NQBIO_FileFormat detectFormat(std::string_view firstBytes);
// Enough leading bytes for detectFormat.
constexpr std::size_t kFormatProbeBytes = 16;

bool parseTextMesh(const unsigned char* data, std::size_t size, MeshData& mesh,
                   ParseFault& fault);
bool parseBinaryMesh(const unsigned char* data, std::size_t size, MeshData& mesh,
                     ParseFault& fault);

// A token as it may appear in a one-line diagnostic: shortened, unprintable bytes replaced.
std::string quoteToken(std::string_view token);

}  // namespace nqbio

#endif
