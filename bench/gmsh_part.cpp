#include "gmsh_part.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "bench_part.h"
#include "fiber_fields.h"
#include "gmsh_import.h"

namespace qvr::bench {
namespace {

// The unit `qvr import` assumes when none is given.
constexpr const char* kMeshUnit = "mm";
constexpr const char* kMeshExtension = ".msh";

}  // namespace

bool readGmshPart(const std::string& path, nqbio::MeshData& mesh, k7t::ResultFile& results,
                  std::string& error) {
    cli::GmshImportReport report;
    nqbio::MeshData imported;
    if (!cli::importGmshFile(path, kMeshUnit, imported, report, error)) return false;
    if (imported.parts.empty()) {
        error = path + ": no solid cells";
        return false;
    }
    results = gen::makeFiberResult(imported, cli::skinShellCoreThroughZ(imported));
    mesh = std::move(imported);
    return true;
}

bool gmshPartKey(const std::string& path, PartKey& key, std::string& error) {
    nqbio::MeshData mesh;
    k7t::ResultFile results;
    if (!readGmshPart(path, mesh, results, error)) return false;
    key = PartKey{};
    key.gmshMesh = path;
    key.name = std::filesystem::path(path).stem().string();
    key.cells = static_cast<long long>(mesh.parts.size());
    return true;
}

bool meshFilesOf(const std::string& entry, std::vector<std::string>& files, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path(entry);
    if (fs::is_regular_file(path, ec)) {
        if (path.extension() != kMeshExtension) {
            error = entry + ": not a Gmsh mesh (.msh)";
            return false;
        }
        files.push_back(entry);
        return true;
    }
    if (!fs::is_directory(path, ec)) {
        error = entry + ": no such mesh file or folder";
        return false;
    }
    std::vector<std::string> found;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && it->path().extension() == kMeshExtension)
            found.push_back(it->path().string());
    if (ec || found.empty()) {
        error = entry + (ec ? ": cannot be listed" : ": holds no .msh file");
        return false;
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
    return true;
}

}  // namespace qvr::bench
