// Mesh reader targets. The parsers are driven on memory (the reader reads a whole file into
// memory and hands it to them, so this is the reader's own path less the file system); an
// accepted mesh is then written in the other encoding and read back through the public reader,
// which must give exactly what the parser delivered.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzHarness.h"
#include "NQBIO_Manipulator.h"
#include "mesh_parsers.h"

namespace qvr::fuzz {

namespace {

// The input in a buffer of exactly its size, so that a read one byte past the end is caught
// (the reader's own buffer has a spare byte that would hide it).
nqbio::FileBytes exactCopy(const std::uint8_t* data, std::size_t size) {
    nqbio::FileBytes bytes;
    bytes.data = std::make_unique<unsigned char[]>(size);
    if (size > 0) std::memcpy(bytes.data.get(), data, size);
    bytes.size = size;
    return bytes;
}

std::string entry(const char* what, std::size_t k) { return std::string(what) + " " + std::to_string(k + 1) + ": "; }

// Everything the file is guaranteed to hold once the reader accepted it, gathered through the
// source's entry calls.
std::string collect(const nqbio::MeshSource& source, nqbio::MeshData& mesh) {
    const int nodes = source.nodeCount(), parts = source.partCount(), surfaces = source.surfaceCount();
    if (nodes < 0 || parts < 0 || surfaces < 0) return "accepted a negative count";
    mesh.unit = source.unit();
    mesh.xyz.resize(3 * static_cast<std::size_t>(nodes));
    for (std::size_t k = 0; k < static_cast<std::size_t>(nodes); ++k) {
        float* p = mesh.xyz.data() + 3 * k;
        source.node(k, p[0], p[1], p[2]);
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
            return entry("node", k) + "accepted a non-finite coordinate";
        }
    }
    mesh.parts.resize(static_cast<std::size_t>(parts));
    for (std::size_t k = 0; k < mesh.parts.size(); ++k) {
        nqbio::PartElement& e = mesh.parts[k];
        source.part(k, e);
        if (e.nNode < 1 || e.nNode > 8) return entry("part element", k) + "accepted node count " + std::to_string(e.nNode);
        for (int j = 0; j < 8; ++j) {
            const int n = e.node[j];
            if (j < e.nNode ? (n < 1 || n > nodes) : n != 0) {
                return entry("part element", k) + "delivered node slot " + std::to_string(j + 1) + " = " + std::to_string(n);
            }
        }
        if (!std::isfinite(e.volume)) return entry("part element", k) + "accepted a non-finite volume";
    }
    mesh.surfaces.resize(static_cast<std::size_t>(surfaces));
    for (std::size_t k = 0; k < mesh.surfaces.size(); ++k) {
        nqbio::SurfaceElement& s = mesh.surfaces[k];
        source.surface(k, s);
        for (int n : s.node) {
            if (n < 1 || n > nodes) return entry("surface element", k) + "accepted node number " + std::to_string(n);
        }
    }
    return "";
}

bool sameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::string compare(const nqbio::MeshData& a, const nqbio::MeshData& b) {
    if (a.unit != b.unit) return "unit '" + a.unit + "' read back as '" + b.unit + "'";
    if (a.xyz.size() != b.xyz.size()) return "node count changed";
    for (std::size_t i = 0; i < a.xyz.size(); ++i) {
        if (!sameFloat(a.xyz[i], b.xyz[i])) return entry("node", i / 3) + "coordinate changed";
    }
    if (a.parts.size() != b.parts.size()) return "part element count changed";
    for (std::size_t k = 0; k < a.parts.size(); ++k) {
        const nqbio::PartElement &p = a.parts[k], &q = b.parts[k];
        bool same = p.nNode == q.nNode && p.attrWord == q.attrWord && p.attrCode == q.attrCode &&
                    sameFloat(p.volume, q.volume);
        for (int j = 0; j < p.nNode && same; ++j) same = p.node[j] == q.node[j];
        if (!same) return entry("part element", k) + "changed";
    }
    if (a.surfaces.size() != b.surfaces.size()) return "surface element count changed";
    for (std::size_t k = 0; k < a.surfaces.size(); ++k) {
        const nqbio::SurfaceElement &s = a.surfaces[k], &t = b.surfaces[k];
        const bool same = std::memcmp(s.node, t.node, sizeof s.node) == 0 && s.kind == t.kind &&
                          s.aux1 == t.aux1 && s.aux2 == t.aux2 && s.code == t.code && s.aux3 == t.aux3;
        if (!same) return entry("surface element", k) + "changed";
    }
    return "";
}

// Writes `mesh` in the other encoding and reads it back through NQBIO_Manipulator. A writer may
// refuse content that its encoding cannot hold (a long unit in binary, blanks around it in
// text); what it writes must read back unchanged.
std::string roundTrip(const nqbio::MeshData& mesh, bool asText) {
    const std::string path = scratchFile(asText ? "round.nqb" : "round.nqbb");
    const bool written = asText ? nqbio::writeText(path, mesh) : nqbio::writeBinary(path, mesh);
    if (!written) return "";
    nqbio::MeshData back;
    std::string error;
    std::string fault;
    if (!nqbio::readMesh(path, back, &error)) {
        fault = "the written file was refused: " + error;
    } else {
        fault = compare(mesh, back);
    }
    std::remove(path.c_str());
    return fault;
}

template <typename Parse>
std::string runParser(const std::uint8_t* data, std::size_t size, Parse parse, bool otherIsText) {
    nqbio::FileBytes bytes = exactCopy(data, size);
    nqbio::ParseFault fault;
    std::unique_ptr<nqbio::MeshSource> source = parse(std::move(bytes), fault);
    if (!source) return fault.what.empty() ? "refused without a reason" : "";
    if (!fault.what.empty()) return "accepted but reported '" + fault.what + "'";
    nqbio::MeshData mesh;
    std::string broken = collect(*source, mesh);
    if (!broken.empty()) return broken;
    return roundTrip(mesh, otherIsText);
}

}  // namespace

std::string meshText(const std::uint8_t* data, std::size_t size) {
    return runParser(
        data, size,
        [](nqbio::FileBytes&& b, nqbio::ParseFault& f) { return nqbio::parseTextMesh(b, f); },
        false);
}

std::string meshBinary(const std::uint8_t* data, std::size_t size) {
    return runParser(
        data, size,
        [](nqbio::FileBytes&& b, nqbio::ParseFault& f) {
            return nqbio::parseBinaryMesh(std::move(b), f);
        },
        true);
}

}  // namespace qvr::fuzz
