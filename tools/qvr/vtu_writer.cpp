#include "vtu_writer.h"

#include <vector>

#include "output_file.h"

namespace qvr::cli {

namespace {

constexpr int kVtkTriangle = 5;
constexpr int kVtkQuad = 9;
constexpr int kVtkPolyLine = 4;
constexpr int kKindSkinFace = 0;
constexpr int kKindRay = 1;
constexpr std::size_t kValuesPerLine = 9;
constexpr const char* kLineIndent = "          ";
constexpr int kSignificant = 9;  // digits per value: enough to give every float back

struct Grid {
    std::vector<double> xyz;
    std::vector<double> thickness, depth, fraction, direction;
    std::vector<double> comp[kComponentCount];
    std::vector<long long> node, hasProfile;
    std::vector<long long> connectivity, offsets, types, cellKind, cellNode;

    void addPoint(double x, double y, double z) { xyz.insert(xyz.end(), {x, y, z}); }
    std::size_t points() const { return xyz.size() / 3; }
};

void writeReals(OutputFile& out, const char* name, int components, const std::vector<double>& v) {
    out.printf("        <DataArray type=\"Float64\" Name=\"%s\" NumberOfComponents=\"%d\" "
               "format=\"ascii\">\n", name, components);
    for (std::size_t i = 0; i < v.size(); ++i) {
        out.write(i % kValuesPerLine == 0 ? kLineIndent : " ");
        out.real(v[i], kSignificant);
    }
    out.write(v.empty() ? "" : "\n");
    out.write("        </DataArray>\n");
}

void writeInts(OutputFile& out, const char* type, const char* name,
               const std::vector<long long>& v) {
    out.printf("        <DataArray type=\"%s\" Name=\"%s\" format=\"ascii\">\n", type, name);
    for (std::size_t i = 0; i < v.size(); ++i) {
        out.write(i % kValuesPerLine == 0 ? kLineIndent : " ");
        out.integer(v[i]);
    }
    out.write(v.empty() ? "" : "\n");
    out.write("        </DataArray>\n");
}

Grid buildGrid(const ExtractionRun& run) {
    Grid g;
    const SkinSurface& skin = run.skin;
    const std::size_t kernelNodes = skin.fileNode.size();
    // Profiles by kernel node: the kernel keeps file order, so file numbers map by search.
    std::vector<long> profileOfKernelNode(kernelNodes + 1, -1);
    {
        std::vector<long> byFile;
        long long maxFile = 0;
        for (int f : skin.fileNode) maxFile = f > maxFile ? f : maxFile;
        byFile.assign(static_cast<std::size_t>(maxFile) + 1, -1);
        for (std::size_t k = 0; k < kernelNodes; ++k)
            byFile[static_cast<std::size_t>(skin.fileNode[k])] = static_cast<long>(k + 1);
        for (std::size_t i = 0; i < run.profiles.size(); ++i) {
            const int f = run.profiles[i].fileNode;
            if (f >= 1 && static_cast<std::size_t>(f) < byFile.size() && byFile[static_cast<std::size_t>(f)] > 0)
                profileOfKernelNode[static_cast<std::size_t>(byFile[static_cast<std::size_t>(f)])] =
                    static_cast<long>(i);
        }
    }
    std::vector<long long> pointOfKernelNode(kernelNodes + 1, -1);
    for (std::size_t f = 0; f < skin.faces.size(); ++f) {
        const int corners = skin.corners[f];
        for (int c = 0; c < corners; ++c) {
            const std::size_t k = static_cast<std::size_t>(skin.faces[f][static_cast<std::size_t>(c)]);
            if (k < 1 || k > kernelNodes) continue;
            if (pointOfKernelNode[k] < 0) {
                pointOfKernelNode[k] = static_cast<long long>(g.points());
                g.addPoint(skin.xyz[3 * (k - 1)], skin.xyz[3 * (k - 1) + 1], skin.xyz[3 * (k - 1) + 2]);
                g.node.push_back(skin.fileNode[k - 1]);
                const long pi = profileOfKernelNode[k];
                const NodeProfile* p = pi >= 0 ? &run.profiles[static_cast<std::size_t>(pi)] : nullptr;
                const bool has = p && p->crossed && !p->value.empty();
                g.hasProfile.push_back(has ? 1 : 0);
                g.thickness.push_back(has ? p->thickness : 0.0);
                g.depth.push_back(0.0);
                g.fraction.push_back(0.0);
                g.direction.insert(g.direction.end(), {p ? p->dx : 0.0, p ? p->dy : 0.0, p ? p->dz : 0.0});
                for (int j = 0; j < kComponentCount; ++j)
                    g.comp[j].push_back(has ? p->value[0][static_cast<std::size_t>(j)] : 0.0);
            }
            g.connectivity.push_back(pointOfKernelNode[k]);
        }
        g.offsets.push_back(static_cast<long long>(g.connectivity.size()));
        g.types.push_back(corners == 3 ? kVtkTriangle : kVtkQuad);
        g.cellKind.push_back(kKindSkinFace);
        g.cellNode.push_back(0);
    }
    for (const NodeProfile& p : run.profiles) {
        if (!p.crossed) continue;
        for (std::size_t j = 0; j < p.depth.size(); ++j) {
            const double d = p.depth[j];
            g.connectivity.push_back(static_cast<long long>(g.points()));
            g.addPoint(p.x + d * p.dx, p.y + d * p.dy, p.z + d * p.dz);
            g.node.push_back(p.fileNode);
            g.hasProfile.push_back(1);
            g.thickness.push_back(p.thickness);
            g.depth.push_back(d);
            g.fraction.push_back(p.thickness > 0.0 ? d / p.thickness : 0.0);
            g.direction.insert(g.direction.end(), {p.dx, p.dy, p.dz});
            for (int k = 0; k < kComponentCount; ++k)
                g.comp[k].push_back(p.value[j][static_cast<std::size_t>(k)]);
        }
        g.offsets.push_back(static_cast<long long>(g.connectivity.size()));
        g.types.push_back(kVtkPolyLine);
        g.cellKind.push_back(kKindRay);
        g.cellNode.push_back(p.fileNode);
    }
    return g;
}

}  // namespace

void writeProfilesVtu(const std::string& path, const ExtractionRun& run) {
    const Grid g = buildGrid(run);
    OutputFile out(path);
    out.write("<?xml version=\"1.0\"?>\n");
    out.write("<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
              "header_type=\"UInt64\">\n");
    out.write("  <UnstructuredGrid>\n");
    out.printf("    <Piece NumberOfPoints=\"%zu\" NumberOfCells=\"%zu\">\n", g.points(),
               g.types.size());
    out.write("      <PointData Scalars=\"thickness\" Vectors=\"direction\">\n");
    writeReals(out, "thickness", 1, g.thickness);
    writeReals(out, "depth", 1, g.depth);
    writeReals(out, "fraction", 1, g.fraction);
    for (int k = 0; k < kComponentCount; ++k) writeReals(out, kComponentNames[k], 1, g.comp[k]);
    writeInts(out, "Int32", "node", g.node);
    writeInts(out, "Int32", "has_profile", g.hasProfile);
    writeReals(out, "direction", 3, g.direction);
    out.write("      </PointData>\n");
    out.write("      <CellData Scalars=\"kind\">\n");
    writeInts(out, "Int32", "kind", g.cellKind);
    writeInts(out, "Int32", "node", g.cellNode);
    out.write("      </CellData>\n");
    out.write("      <Points>\n");
    writeReals(out, "Points", 3, g.xyz);
    out.write("      </Points>\n");
    out.write("      <Cells>\n");
    writeInts(out, "Int64", "connectivity", g.connectivity);
    writeInts(out, "Int64", "offsets", g.offsets);
    writeInts(out, "UInt8", "types", g.types);
    out.write("      </Cells>\n");
    out.write("    </Piece>\n");
    out.write("  </UnstructuredGrid>\n");
    out.write("</VTKFile>\n");
    out.close();
}

}  // namespace qvr::cli
