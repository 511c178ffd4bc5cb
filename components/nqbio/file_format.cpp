// Package version and the choice of encoding from a file's first bytes.
#include <algorithm>
#include <string>
#include <string_view>

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
        case '#': return NQBIO_FORMAT_TEXT;
        default: return NQBIO_FORMAT_UNKNOWN;
    }
}

namespace {
// Bytes looked at for the unit: the text header's comment lines may come first.
constexpr std::size_t kUnitProbeBytes = 4096;

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}
}  // namespace

bool readMeshUnit(const std::string& path, std::string& unit) {
    std::string start;
    if (!qvr::common::readFileStart(path.c_str(), kUnitProbeBytes, start)) return false;
    switch (detectFormat(start)) {
        case NQBIO_FORMAT_BINARY: {
            if (start.size() < layout::kUnitOffset + layout::kUnitFieldBytes) return false;
            const std::string_view field(start.data() + layout::kUnitOffset,
                                         layout::kUnitFieldBytes);
            unit = std::string(field.substr(0, field.find('\0')));
            return true;
        }
        case NQBIO_FORMAT_TEXT: {
            std::string_view rest(start);
            rest.remove_prefix(std::min(rest.size(), rest.find('\n') + 1));  // the magic line
            while (!rest.empty()) {
                const std::size_t end = rest.find('\n');
                if (end == std::string_view::npos) return false;  // cut off by the probe
                std::string_view line = rest.substr(0, end);
                rest.remove_prefix(end + 1);
                line = trimmed(line.substr(0, line.find('#')));
                if (line.empty()) continue;
                if (line.substr(0, layout::kUnitKeyword.size()) != layout::kUnitKeyword)
                    return false;
                const std::string_view value = line.substr(layout::kUnitKeyword.size());
                if (!value.empty() && value.front() != ' ' && value.front() != '\t') return false;
                unit = std::string(trimmed(value));
                return true;
            }
            return false;
        }
        case NQBIO_FORMAT_UNKNOWN: break;
    }
    return false;
}

bool isKnownUnit(const std::string& unit) {
    for (const char* known : {"mm", "cm", "inch", "um"})
        if (unit.find(known) != std::string::npos) return true;
    return false;
}

}  // namespace nqbio

int NQBIO_GetPackageVersion() { return nqbio::layout::kPackageVersion; }

int NQBIO_Manipulator::getFileFormat(const char* fileName, NQBIO_FileFormat& format) {
    format = NQBIO_FORMAT_UNKNOWN;
    std::string start;
    if (fileName != nullptr &&
        qvr::common::readFileStart(fileName, nqbio::kFormatProbeBytes, start)) {
        format = nqbio::detectFormat(start);
    }
    return format;
}
