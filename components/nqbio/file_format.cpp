// Package version and the choice of encoding from a file's first bytes.
#include <string>

#include "NQBIO_Manipulator.h"
#include "common/whole_file.h"
#include "mesh_parsers.h"
#include "nqb_layout.h"

namespace nqbio {

NQBIO_FileFormat detectFormat(std::string_view firstBytes) {
    if (firstBytes.substr(0, layout::kBinaryMagic.size()) == layout::kBinaryMagic) {
        return NQBIO_FORMAT_BINARY;
    }
    if (firstBytes.substr(0, layout::kTextMagic.size()) != layout::kTextMagic) {
        return NQBIO_FORMAT_UNKNOWN;
    }
    // The magic must be a whole token: "NQBTEXTX" is not a mesh file.
    if (firstBytes.size() == layout::kTextMagic.size()) return NQBIO_FORMAT_TEXT;
    switch (firstBytes[layout::kTextMagic.size()]) {
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case '#':
            return NQBIO_FORMAT_TEXT;
        default:
            return NQBIO_FORMAT_UNKNOWN;
    }
}

}  // namespace nqbio

int NQBIO_GetPackageVersion() { return nqbio::layout::kPackageVersion; }

int NQBIO_Manipulator::getFileFormat(const char* fileName, NQBIO_FileFormat& format) {
    format = NQBIO_FORMAT_UNKNOWN;
    std::string start;
    if (fileName != nullptr && qvr::common::readFileStart(fileName, nqbio::kFormatProbeBytes, start)) {
        format = nqbio::detectFormat(start);
    }
    return format;
}
