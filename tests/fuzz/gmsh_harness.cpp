// Gmsh importer target: the importer parses a whole file held in memory. An accepted file must
// give a mesh the mesh writers can store (finite coordinates and volumes, node numbers in
// range), made only of the four linear solids, with a report that counts what the mesh holds.
// The sign of a volume is not checked: on a twisted cell the orientation test and the volume
// (different splits into tetrahedra) may disagree, and such a cell has no right orientation.
#include <string>
#include <string_view>

#include "FuzzHarness.h"
#include "content_check.h"
#include "gmsh_import.h"

namespace qvr::fuzz {

std::string gmshImport(const std::uint8_t* data, std::size_t size) {
    // A private copy of exactly the input's size, so reads past its end are caught.
    const std::string copy(reinterpret_cast<const char*>(data), size);
    nqbio::MeshData mesh;
    qvr::cli::GmshImportReport report;
    std::string error;
    if (!qvr::cli::importGmshData(std::string_view(copy.data(), copy.size()), "mm", mesh, report,
                                  error)) {
        return error.empty() ? "refused without a reason" : "";
    }
    std::string reason;
    if (!nqbio::checkStorable(mesh, nqbio::Encoding::Binary, reason))
        return "imported a mesh the writer refuses: " + reason;
    long long kinds[9] = {};
    for (const nqbio::PartElement& e : mesh.parts) {
        if (e.nNode != 4 && e.nNode != 5 && e.nNode != 6 && e.nNode != 8)
            return "imported a cell of " + std::to_string(e.nNode) + " nodes";
        ++kinds[e.nNode];
    }
    if (kinds[4] != report.tets || kinds[5] != report.pyramids || kinds[6] != report.prisms ||
        kinds[8] != report.hexes)
        return "the report's cell counts differ from the mesh";
    if (report.nodesKept != mesh.nodeCount() ||
        report.skinFaces != static_cast<long long>(mesh.surfaces.size()))
        return "the report's node or face count differs from the mesh";
    return "";
}

}  // namespace qvr::fuzz
