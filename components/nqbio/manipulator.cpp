// The reader object: reads and checks a whole file, then hands out its entries one by one.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "NQBIO_Manipulator.h"
#include "common/whole_file.h"
#include "mesh_parsers.h"

struct NQBIO_Manipulator::Impl {
    std::unique_ptr<nqbio::MeshSource> source;  // null when no checked file is held
    std::size_t nextNode = 0;
    std::size_t nextPart = 0;
    std::size_t nextSurface = 0;
    std::string lastError;
    NQBIO_FileFormat format = NQBIO_FORMAT_UNKNOWN;  // of the file `source` holds
    bool quiet = false;                              // setQuiet: no diagnostic on stderr
};

namespace {

// Faults that concern the file as a whole (cannot be read, unknown encoding) have no line or
// byte of their own and are reported at place 0.
constexpr std::uint64_t kWholeFilePlace = 0;

std::unique_ptr<nqbio::MeshSource> parseBytes(nqbio::FileBytes&& bytes, nqbio::ParseFault& fault,
                                              NQBIO_FileFormat& format) {
    const std::string_view probe(reinterpret_cast<const char*>(bytes.data.get()),
                                 std::min(bytes.size, nqbio::kFormatProbeBytes));
    format = nqbio::detectFormat(probe);
    switch (format) {
        case NQBIO_FORMAT_TEXT: return nqbio::parseTextMesh(bytes, fault);
        case NQBIO_FORMAT_BINARY: return nqbio::parseBinaryMesh(std::move(bytes), fault);
        case NQBIO_FORMAT_UNKNOWN: break;
    }
    fault.place = kWholeFilePlace;
    fault.what = bytes.size == 0 ? "empty file: not a mesh file"
                                 : "not a mesh file: it starts with neither 'NQBTEXT 1' nor 'NQBB'";
    return nullptr;
}

}  // namespace

NQBIO_Manipulator::NQBIO_Manipulator()
    : nMaxNodes(0), nMaxElemPlastic(0), nMaxElemSurface(0), impl_(std::make_unique<Impl>()) {}

NQBIO_Manipulator::~NQBIO_Manipulator() = default;

int NQBIO_Manipulator::beginReading(const char* fileName, const char* /*second*/, int /*third*/) {
    endReading();
    impl_->lastError.clear();

    nqbio::ParseFault fault;
    std::unique_ptr<nqbio::MeshSource> source;
    NQBIO_FileFormat format = NQBIO_FORMAT_UNKNOWN;
    try {
        nqbio::FileBytes bytes;
        std::string reason;
        if (!qvr::common::readWholeFile(fileName, bytes, reason)) {
            fault.place = kWholeFilePlace;
            fault.what = std::move(reason);
        } else {
            source = parseBytes(std::move(bytes), fault, format);
        }
    } catch (const std::bad_alloc&) {
        // A file whose content does not fit in memory is refused like a damaged one.
        source.reset();
        fault.place = kWholeFilePlace;
        fault.what = "not enough memory to hold the mesh";
    }

    if (!source) {
        impl_->lastError = std::string(fileName ? fileName : "(no file name)") + ":" +
                           std::to_string(fault.place) + ": " + fault.what;
        if (!impl_->quiet) {
            std::fprintf(stderr, "%s\n", impl_->lastError.c_str());
            std::fflush(stderr);
        }
        return 0;
    }
    impl_->format = format;
    nMaxNodes = source->nodeCount();
    nMaxElemPlastic = source->partCount();
    nMaxElemSurface = source->surfaceCount();
    impl_->source = std::move(source);
    return 1;
}

const char* NQBIO_Manipulator::getHeaderUnitString() const {
    return impl_->source ? impl_->source->unit().c_str() : "";
}

int NQBIO_Manipulator::readNodeBlockEntry(float& x, float& y, float& z) {
    Impl& d = *impl_;
    if (!d.source || d.nextNode >= static_cast<std::size_t>(d.source->nodeCount())) return -1;
    d.source->node(d.nextNode, x, y, z);
    return static_cast<int>(d.nextNode++);
}

int NQBIO_Manipulator::readElementPlasticBlockEntry(int& nNode, int* nodes, int& attrWord,
                                                    int& attrCode, float& volume) {
    Impl& d = *impl_;
    if (!d.source || d.nextPart >= static_cast<std::size_t>(d.source->partCount()) ||
        nodes == nullptr) {
        return -1;
    }
    nqbio::PartElement e;
    d.source->part(d.nextPart, e);
    nNode = e.nNode;
    for (int j = 0; j < e.nNode; ++j) nodes[j] = e.node[j];
    attrWord = static_cast<int>(e.attrWord);  // the bits as they stand
    attrCode = e.attrCode;
    volume = e.volume;
    return static_cast<int>(d.nextPart++);
}

int NQBIO_Manipulator::readElementSurfaceBlockEntry(int* nodes, int& surfKind, int& aux1, int& aux2,
                                                    int& surfCode, int& aux3) {
    Impl& d = *impl_;
    if (!d.source || d.nextSurface >= static_cast<std::size_t>(d.source->surfaceCount()) ||
        nodes == nullptr) {
        return -1;
    }
    nqbio::SurfaceElement s;
    d.source->surface(d.nextSurface, s);
    for (int j = 0; j < 4; ++j) nodes[j] = s.node[j];
    surfKind = s.kind;
    aux1 = s.aux1;
    aux2 = s.aux2;
    surfCode = s.code;
    aux3 = s.aux3;
    return static_cast<int>(d.nextSurface++);
}

int NQBIO_Manipulator::endReading() {
    impl_->source.reset();
    impl_->format = NQBIO_FORMAT_UNKNOWN;
    impl_->nextNode = impl_->nextPart = impl_->nextSurface = 0;
    nMaxNodes = nMaxElemPlastic = nMaxElemSurface = 0;
    return 1;
}

const char* NQBIO_Manipulator::getLastError() const { return impl_->lastError.c_str(); }

void NQBIO_Manipulator::setQuiet(bool quiet) { impl_->quiet = quiet; }

NQBIO_FileFormat NQBIO_Manipulator::getReadFormat() const { return impl_->format; }
