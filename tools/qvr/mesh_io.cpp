#include "mesh_io.h"

#include "cli_error.h"
#include "quiet_stderr.h"

namespace qvr::cli {

nqbio::MeshData readMeshOrFail(const std::string& path) {
    nqbio::MeshData mesh;
    std::string why;
    bool ok = false;
    {
        QuietStderr quiet;  // the reason is relayed below
        ok = nqbio::readMesh(path, mesh, &why);
    }
    if (!ok) failFile(why.empty() ? path + ": cannot read the mesh" : why);
    return mesh;
}

void writeMeshOrFail(const std::string& path, const nqbio::MeshData& mesh, bool binary) {
    std::string why;
    const bool ok = binary ? nqbio::writeBinary(path, mesh, &why) : nqbio::writeText(path, mesh, &why);
    if (!ok) failFile(path + ": cannot write the mesh" + (why.empty() ? "" : ": " + why));
}

void writeResultOrFail(const std::string& path, const k7t::ResultFile& result) {
    std::string why;
    if (!k7t::write(path, result, &why))
        failFile(path + ": cannot write the results" + (why.empty() ? "" : ": " + why));
}

}  // namespace qvr::cli
