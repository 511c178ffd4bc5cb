// Parsers of the two encodings. Both work on the whole file in memory and check everything
// before they report success; what they return hands out the entries of a checked file.
#ifndef NQBIO_MESH_PARSERS_H
#define NQBIO_MESH_PARSERS_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "NQBIO_Manipulator.h"
#include "common/whole_file.h"

namespace nqbio {

using qvr::common::FileBytes;

// Where a file is wrong: a line number (text, 1-based) or a byte offset (binary), and what.
struct ParseFault {
    std::uint64_t place = 0;
    std::string what;
};

// The encoding named by the first bytes of a file (a few dozen bytes are enough).
NQBIO_FileFormat detectFormat(std::string_view firstBytes);
// Enough leading bytes for detectFormat.
constexpr std::size_t kFormatProbeBytes = 16;

// The content of a checked file. Entry indices are zero-based and must be below the counts.
class MeshSource {
public:
    virtual ~MeshSource() = default;
    virtual int nodeCount() const = 0;
    virtual int partCount() const = 0;
    virtual int surfaceCount() const = 0;
    virtual const std::string& unit() const = 0;
    virtual void node(std::size_t k, float& x, float& y, float& z) const = 0;
    virtual void part(std::size_t k, PartElement& e) const = 0;
    virtual void surface(std::size_t k, SurfaceElement& s) const = 0;
};

// Each returns null with `fault` filled when the file is refused. The text parser copies what
// it needs; the binary one keeps the file's bytes and decodes entries on request.
std::unique_ptr<MeshSource> parseTextMesh(const FileBytes& file, ParseFault& fault);
std::unique_ptr<MeshSource> parseBinaryMesh(FileBytes&& file, ParseFault& fault);

// A token as it may appear in a one-line diagnostic: shortened, unprintable bytes replaced.
std::string quoteToken(std::string_view token);

}  // namespace nqbio

#endif
