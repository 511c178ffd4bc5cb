// The reader object: reads and checks a whole file, then hands out its entries one by one.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <new>
#include <string>
#include <utility>

#include "NQBIO_Manipulator.h"
#include "mesh_parsers.h"
#include "whole_file.h"

struct NQBIO_Manipulator::Impl {
    nqbio::MeshData mesh;
    bool loaded = false;
    std::size_t nextNode = 0;
    std::size_t nextPart = 0;
    std::size_t nextSurface = 0;
    std::string lastError;
};

namespace {

// Faults that concern the file as a whole (cannot be read, unknown encoding) have no line or
// byte of their own and are reported at place 0.
constexpr std::uint64_t kWholeFilePlace = 0;

bool parseBytes(const nqbio::FileBytes& bytes, nqbio::MeshData& mesh, nqbio::ParseFault& fault) {
    const std::string_view probe(reinterpret_cast<const char*>(bytes.data.get()),
                                 std::min(bytes.size, nqbio::kFormatProbeBytes));
    switch (nqbio::detectFormat(probe)) {
        case NQBIO_FORMAT_TEXT:
            return nqbio::parseTextMesh(bytes.data.get(), bytes.size, mesh, fault);
        case NQBIO_FORMAT_BINARY:
            return nqbio::parseBinaryMesh(bytes.data.get(), bytes.size, mesh, fault);
        case NQBIO_FORMAT_UNKNOWN:
            break;
    }
    fault.place = kWholeFilePlace;
    fault.what = bytes.size == 0
                     ? "empty file: not a mesh file"
                     : "not a mesh file: it starts with neither 'NQBTEXT 1' nor 'NQBB'";
    return false;
}

}  // namespace

NQBIO_Manipulator::NQBIO_Manipulator()
    : nMaxNodes(0), nMaxElemPlastic(0), nMaxElemSurface(0), impl_(std::make_unique<Impl>()) {}

NQBIO_Manipulator::~NQBIO_Manipulator() = default;

int NQBIO_Manipulator::beginReading(const char* fileName, const char* /*second*/, int /*third*/) {
    endReading();
    impl_->lastError.clear();

    nqbio::ParseFault fault;
    bool ok = false;
    nqbio::MeshData mesh;
    try {
        nqbio::FileBytes bytes;
        std::string reason;
        if (!nqbio::readWholeFile(fileName, bytes, reason)) {
            fault.place = kWholeFilePlace;
            fault.what = std::move(reason);
        } else {
            ok = parseBytes(bytes, mesh, fault);
        }
    } catch (const std::bad_alloc&) {
        // A file whose content does not fit in memory is refused like a damaged one.
        ok = false;
        fault.place = kWholeFilePlace;
        fault.what = "not enough memory to hold the mesh";
    }

    if (!ok) {
        impl_->lastError = std::string(fileName ? fileName : "(no file name)") + ":" +
                           std::to_string(fault.place) + ": " + fault.what;
        std::fprintf(stderr, "%s\n", impl_->lastError.c_str());
        std::fflush(stderr);
        return 0;
    }
    nMaxNodes = mesh.nodeCount();
    nMaxElemPlastic = static_cast<int>(mesh.parts.size());
    nMaxElemSurface = static_cast<int>(mesh.surfaces.size());
    impl_->mesh = std::move(mesh);
    impl_->loaded = true;
    return 1;
}

const char* NQBIO_Manipulator::getHeaderUnitString() const {
    return impl_->loaded ? impl_->mesh.unit.c_str() : "";
}

int NQBIO_Manipulator::readNodeBlockEntry(float& x, float& y, float& z) {
    Impl& d = *impl_;
    if (!d.loaded || d.nextNode >= static_cast<std::size_t>(nMaxNodes)) return -1;
    const float* p = d.mesh.xyz.data() + 3 * d.nextNode;
    x = p[0];
    y = p[1];
    z = p[2];
    return static_cast<int>(d.nextNode++);
}

int NQBIO_Manipulator::readElementPlasticBlockEntry(int& nNode, int* nodes, int& attrWord,
                                                    int& attrCode, float& volume) {
    Impl& d = *impl_;
    if (!d.loaded || d.nextPart >= d.mesh.parts.size() || nodes == nullptr) return -1;
    const nqbio::PartElement& e = d.mesh.parts[d.nextPart];
    nNode = e.nNode;
    for (int j = 0; j < e.nNode; ++j) nodes[j] = e.node[j];
    attrWord = static_cast<int>(e.attrWord);  // the bits as they stand
    attrCode = e.attrCode;
    volume = e.volume;
    return static_cast<int>(d.nextPart++);
}

int NQBIO_Manipulator::readElementSurfaceBlockEntry(int* nodes, int& surfKind, int& aux1,
                                                    int& aux2, int& surfCode, int& aux3) {
    Impl& d = *impl_;
    if (!d.loaded || d.nextSurface >= d.mesh.surfaces.size() || nodes == nullptr) return -1;
    const nqbio::SurfaceElement& s = d.mesh.surfaces[d.nextSurface];
    for (int j = 0; j < 4; ++j) nodes[j] = s.node[j];
    surfKind = s.kind;
    aux1 = s.aux1;
    aux2 = s.aux2;
    surfCode = s.code;
    aux3 = s.aux3;
    return static_cast<int>(d.nextSurface++);
}

int NQBIO_Manipulator::endReading() {
    impl_->mesh = nqbio::MeshData();
    impl_->loaded = false;
    impl_->nextNode = impl_->nextPart = impl_->nextSurface = 0;
    nMaxNodes = nMaxElemPlastic = nMaxElemSurface = 0;
    return 1;
}

const char* NQBIO_Manipulator::getLastError() const { return impl_->lastError.c_str(); }
