// Binary encoding writer.
#include <cstdio>
#include <cstring>
#include <string>

#include "NQBIO_Manipulator.h"
#include "common/little_endian.h"
#include "common/output_file.h"
#include "content_check.h"
#include "nqb_layout.h"

namespace nqbio {

namespace le = qvr::common::le;
using qvr::common::OutputFile;

namespace {

unsigned char* bytesAt(OutputFile& out, std::size_t n) {
    return reinterpret_cast<unsigned char*>(out.reserve(n));
}

void writeHeader(OutputFile& out, const MeshData& mesh) {
    unsigned char* h = bytesAt(out, layout::kHeaderBytes);
    std::memset(h, 0, layout::kHeaderBytes);
    std::memcpy(h, layout::kBinaryMagic.data(), layout::kBinaryMagic.size());
    le::storeU32(h + 4, layout::kLayoutVersion);
    le::storeI32(h + 8, mesh.nodeCount());
    le::storeI32(h + 12, static_cast<std::int32_t>(mesh.parts.size()));
    le::storeI32(h + 16, static_cast<std::int32_t>(mesh.surfaces.size()));
    std::memcpy(h + layout::kUnitOffset, mesh.unit.data(), mesh.unit.size());
    out.commit(layout::kHeaderBytes);
}

void writeContent(OutputFile& out, const MeshData& mesh) {
    writeHeader(out, mesh);
    for (std::size_t i = 0; i + 2 < mesh.xyz.size(); i += 3) {
        unsigned char* p = bytesAt(out, layout::kNodeRecordBytes);
        le::storeF32(p, mesh.xyz[i]);
        le::storeF32(p + 4, mesh.xyz[i + 1]);
        le::storeF32(p + 8, mesh.xyz[i + 2]);
        out.commit(layout::kNodeRecordBytes);
    }
    for (const PartElement& e : mesh.parts) {
        unsigned char* p = bytesAt(out, layout::kPartRecordBytes);
        le::storeI32(p, e.nNode);
        for (int j = 0; j < layout::kMaxPartNodes; ++j) {
            le::storeI32(p + 4 + 4 * j, j < e.nNode ? e.node[j] : 0);
        }
        le::storeU32(p + 36, e.attrWord);
        le::storeI32(p + 40, e.attrCode);
        le::storeF32(p + 44, e.volume);
        out.commit(layout::kPartRecordBytes);
    }
    for (const SurfaceElement& s : mesh.surfaces) {
        unsigned char* p = bytesAt(out, layout::kSurfaceRecordBytes);
        for (int j = 0; j < layout::kSurfaceCorners; ++j) le::storeI32(p + 4 * j, s.node[j]);
        le::storeI32(p + 16, s.kind);
        le::storeI32(p + 20, s.aux1);
        le::storeI32(p + 24, s.aux2);
        le::storeI32(p + 28, s.code);
        le::storeI32(p + 32, s.aux3);
        out.commit(layout::kSurfaceRecordBytes);
    }
}

}  // namespace

bool writeBinary(const std::string& path, const MeshData& mesh, std::string* error) {
    std::string reason;
    OutputFile out;
    bool ok = checkStorable(mesh, Encoding::Binary, reason) && out.open(path, reason);
    if (ok) {
        writeContent(out, mesh);
        ok = out.close(reason);
    }
    if (!ok && error != nullptr) *error = reason;
    return ok;
}

}  // namespace nqbio
