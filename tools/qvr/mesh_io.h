// Mesh and result files read and written by the commands, with failures turned into CliError
// (file) carrying the reader's or writer's reason.
#ifndef QVR_CLI_MESH_IO_H
#define QVR_CLI_MESH_IO_H

#include <string>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"

namespace qvr::cli {

nqbio::MeshData readMeshOrFail(const std::string& path);
void writeMeshOrFail(const std::string& path, const nqbio::MeshData& mesh, bool binary);
void writeResultOrFail(const std::string& path, const k7t::ResultFile& result);

}  // namespace qvr::cli

#endif
