// Mesh reader targets. The parsers are driven on memory (the reader reads a whole file into
// memory and hands it to them, so this is the reader's own path less the file system); an
// accepted mesh is then written in the other encoding and read back through the public reader,
// which must give exactly what the parser delivered.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzHarness.h"
#include "NQBIO_Manipulator.h"
#include "mesh_parsers.h"

namespace qvr::fuzz {

namespace {

std::string entry(const char* what, std::size_t k) {
    return std::string(what) + " " + std::to_string(k + 1) + ": ";
}

// Everything the file is guaranteed to hold once the reader accepted it, gathered through the
// source's entry calls.
std::string collect(const nqbio::MeshSource& source, nqbio::MeshData& mesh) {
    const int nodes = source.nodeCount(), parts = source.partCount(),
              surfaces = source.surfaceCount();
    if (nodes < 0 || parts < 0 || surfaces < 0) return "accepted a negative count";
    mesh.unit = source.unit();
    mesh.xyz.resize(3 * static_cast<std::size_t>(nodes));
    for (std::size_t k = 0; k < static_cast<std::size_t>(nodes); ++k) {
        float* p = mesh.xyz.data() + 3 * k;
        source.node(k, p[0], p[1], p[2]);
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2]))
            return entry("node", k) + "accepted a non-finite coordinate";
    }
    mesh.parts.resize(static_cast<std::size_t>(parts));
    for (std::size_t k = 0; k < mesh.parts.size(); ++k) {
        nqbio::PartElement& e = mesh.parts[k];
        source.part(k, e);
        if (e.nNode < 1 || e.nNode > 8)
            return entry("part element", k) + "accepted node count " + std::to_string(e.nNode);
        for (int j = 0; j < 8; ++j) {
            if (j < e.nNode ? (e.node[j] < 1 || e.node[j] > nodes) : e.node[j] != 0)
                return entry("part element", k) + "delivered node slot " + std::to_string(j + 1) +
                       " = " + std::to_string(e.node[j]);
        }
        if (!std::isfinite(e.volume))
            return entry("part element", k) + "accepted a non-finite volume";
    }
    mesh.surfaces.resize(static_cast<std::size_t>(surfaces));
    for (std::size_t k = 0; k < mesh.surfaces.size(); ++k) {
        source.surface(k, mesh.surfaces[k]);
        for (int n : mesh.surfaces[k].node) {
            if (n < 1 || n > nodes)
                return entry("surface element", k) + "accepted node number " + std::to_string(n);
        }
    }
    return "";
}

// Bit for bit: the entry records have no padding, and unused node slots are 0 on both sides.
template <typename T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// Writes `mesh` in the other encoding and reads it back through NQBIO_Manipulator. A writer may
// refuse content that its encoding cannot hold (a long unit in binary, blanks around it in
// text); what it writes must read back unchanged.
std::string roundTrip(const nqbio::MeshData& mesh, bool asText) {
    const std::string path = scratchFile(asText ? "round.nqb" : "round.nqbb");
    if (!(asText ? nqbio::writeText(path, mesh) : nqbio::writeBinary(path, mesh))) return "";
    nqbio::MeshData back;
    std::string error, fault;
    if (!nqbio::readMesh(path, back, &error))
        fault = "the written file was refused: " + error;
    else if (mesh.unit != back.unit)
        fault = "unit '" + mesh.unit + "' read back as '" + back.unit + "'";
    else if (!sameBits(mesh.xyz, back.xyz) || !sameBits(mesh.parts, back.parts) ||
             !sameBits(mesh.surfaces, back.surfaces))
        fault = "the written file read back differently";
    std::remove(path.c_str());
    return fault;
}

template <typename Parse>
std::string runParser(const std::uint8_t* data, std::size_t size, Parse parse, bool otherIsText) {
    // The input in a buffer of exactly its size, so that a read one byte past the end is caught
    // (the reader's own buffer has a spare byte that would hide it).
    nqbio::FileBytes bytes;
    bytes.data = std::make_unique<unsigned char[]>(size);
    if (size > 0) std::memcpy(bytes.data.get(), data, size);
    bytes.size = size;
    nqbio::ParseFault fault;
    std::unique_ptr<nqbio::MeshSource> source = parse(std::move(bytes), fault);
    if (!source) return fault.what.empty() ? "refused without a reason" : "";
    if (!fault.what.empty()) return "accepted but reported '" + fault.what + "'";
    nqbio::MeshData mesh;
    const std::string broken = collect(*source, mesh);
    return broken.empty() ? roundTrip(mesh, otherIsText) : broken;
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
