// profiles.vtu and profiles-rays.vtu (declared in output_writers.h), assembled as VtkXmlGrid
// arrays.
#include <string>
#include <vector>

#include "output_writers.h"

namespace qvr::cli {

namespace {

constexpr int kKindSkinFace = 0;
constexpr int kKindRay = 1;
constexpr const char* kTensorOrder = "XX YY ZZ XY YZ XZ = a11 a22 a33 a12 a23 a13";

using Section = VtkXmlGrid::Section;
using Type = VtkXmlGrid::Type;

// The point fields both files carry, one entry per point.
struct PointFields {
    std::vector<double> xyz;
    std::vector<double> thickness, depth, fraction, direction;
    std::vector<double> comp[kComponentCount];
    std::vector<double> tensor, eigenvalues, principal;
    std::vector<long long> node, hasProfile, wall;

    std::size_t points() const { return xyz.size() / 3; }

    // `eigen` is the decomposition of `value` when the caller has it already (null: computed
    // here).
    void add(double x, double y, double z, long long fileNode, bool has, bool onWall, double t,
             double d, const double* dir, const std::array<double, kComponentCount>* value,
             const TensorEigen* eigen) {
        xyz.insert(xyz.end(), {x, y, z});
        node.push_back(fileNode);
        hasProfile.push_back(has ? 1 : 0);
        wall.push_back(onWall ? 1 : 0);
        thickness.push_back(t);
        depth.push_back(d);
        fraction.push_back(t > 0.0 ? d / t : 0.0);
        direction.insert(direction.end(), {dir[0], dir[1], dir[2]});
        std::array<double, kComponentCount> v{};
        if (value != nullptr) v = *value;
        for (int k = 0; k < kComponentCount; ++k) comp[k].push_back(v[static_cast<std::size_t>(k)]);
        tensor.insert(tensor.end(), v.begin(), v.end());  // a11 a22 a33 a12 a23 a13: VTK's order
        const TensorEigen e =
            eigen != nullptr ? *eigen : symmetricEigen(v[0], v[1], v[2], v[3], v[4], v[5]);
        eigenvalues.insert(eigenvalues.end(), e.values.begin(), e.values.end());
        principal.insert(principal.end(), e.principal.begin(), e.principal.end());
    }

    // Moves the fields into the grid, in the order the first version of the file had them.
    // The rays file (`raysOnly`) leaves out what it would only repeat: the six components as
    // scalars (its `tensor` holds them) and has_profile (1 on every ray point).
    void into(VtkXmlGrid& g, bool raysOnly) {
        g.addReals(Section::PointData, "thickness", 1, std::move(thickness));
        g.addReals(Section::PointData, "depth", 1, std::move(depth));
        g.addReals(Section::PointData, "fraction", 1, std::move(fraction));
        // The fibre values come from single-precision results: Float32 holds all they have.
        if (!raysOnly)
            for (int k = 0; k < kComponentCount; ++k)
                g.addReals(Section::PointData, kComponentNames[k], 1, std::move(comp[k]),
                           Type::Float32);
        g.addIntegers(Section::PointData, Type::Int32, "node", std::move(node));
        if (!raysOnly)
            g.addIntegers(Section::PointData, Type::Int32, "has_profile", std::move(hasProfile));
        g.addReals(Section::PointData, "direction", 3, std::move(direction));
        g.addIntegers(Section::PointData, Type::Int32, "wall", std::move(wall));
        g.addReals(Section::PointData, "tensor", 6, std::move(tensor), Type::Float32);
        g.addReals(Section::PointData, "eigenvalues", 3, std::move(eigenvalues), Type::Float32);
        g.addReals(Section::PointData, "principal", 3, std::move(principal), Type::Float32);
        g.setActive(Section::PointData, "thickness", "direction");
        g.addReals(Section::Points, "Points", 3, std::move(xyz));
    }
};

void addProvenance(VtkXmlGrid& g, const ExtractionRun& run, const OutputOptions& options) {
    g.addText("mesh", options.meshName.empty() ? run.meshPath : options.meshName);
    g.addText("results", options.resultName.empty() ? run.resultPath : options.resultName);
    g.addText("mode", thicknessModeName(run.mode));
    if (!options.date.empty()) g.addText("date", options.date);
    g.addText("length_unit", "mm");
    g.addText("tensor_order", kTensorOrder);
}

std::string provenanceComment(const ExtractionRun& run, const OutputOptions& options) {
    const std::string& mesh = options.meshName.empty() ? run.meshPath : options.meshName;
    const std::string& results = options.resultName.empty() ? run.resultPath : options.resultName;
    std::string text = "qvr extract: mesh " + mesh + ", results " + results + ", " +
                       thicknessModeName(run.mode) + " thickness" +
                       (options.date.empty() ? std::string() : ", " + options.date) +
                       "; lengths in mm";
    // An XML comment may not hold "--".
    for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--"))
        text.replace(at, 2, "- -");
    return text;
}

// Adds the sample points of a ray that crossed, whose decompositions start at `eigen`.
void addRayPoints(PointFields& f, const NodeProfile& p, const TensorEigen* eigen) {
    const double dir[3] = {p.dx, p.dy, p.dz};
    for (std::size_t j = 0; j < p.depth.size(); ++j) {
        const double d = p.depth[j];
        f.add(p.x + d * p.dx, p.y + d * p.dy, p.z + d * p.dz, p.fileNode, true, p.wall, p.thickness,
              d, dir, &p.value[j], eigen + j);
    }
}

// The cells of a grid as VTK lists them, and an integer field per cell.
struct GridCells {
    std::vector<long long> connectivity, offsets, types;
};
struct CellField {
    const char* name;
    std::vector<long long> values;
};

// Writes one grid: the run's provenance, the point fields, the cell fields in the order given
// (`active` the one a viewer shows first), then the cells.
void writeGrid(const std::string& path, const ExtractionRun& run, const OutputOptions& options,
               PointFields& points, bool raysOnly, std::vector<CellField> fields,
               const char* active, GridCells cells) {
    VtkXmlGrid g;
    addProvenance(g, run, options);
    const std::size_t pointCount = points.points(), cellCount = cells.types.size();
    points.into(g, raysOnly);
    for (CellField& field : fields)
        g.addIntegers(Section::CellData, Type::Int32, field.name, std::move(field.values));
    g.setActive(Section::CellData, active, "");
    g.addIntegers(Section::Cells, Type::Int64, "connectivity", std::move(cells.connectivity));
    g.addIntegers(Section::Cells, Type::Int64, "offsets", std::move(cells.offsets));
    g.addIntegers(Section::Cells, Type::UInt8, "types", std::move(cells.types));
    g.write(path, pointCount, cellCount, options.vtu, provenanceComment(run, options));
}

}  // namespace

RayPointEigens rayPointEigens(const ExtractionRun& run) {
    RayPointEigens e;
    e.firstOfProfile.assign(run.profiles.size(), 0);
    std::size_t points = 0;
    for (std::size_t i = 0; i < run.profiles.size(); ++i) {
        e.firstOfProfile[i] = points;
        if (run.profiles[i].crossed) points += run.profiles[i].depth.size();
    }
    e.points.resize(points);
    for (std::size_t i = 0; i < run.profiles.size(); ++i) {
        const NodeProfile& p = run.profiles[i];
        if (!p.crossed) continue;
        for (std::size_t j = 0; j < p.depth.size(); ++j) {
            const auto& v = p.value[j];
            e.points[e.firstOfProfile[i] + j] = symmetricEigen(v[0], v[1], v[2], v[3], v[4], v[5]);
        }
    }
    return e;
}

void writeProfilesVtu(const std::string& path, const ExtractionRun& run,
                      const OutputOptions& options) {
    writeProfilesVtu(path, run, options, rayPointEigens(run));
}

void writeRaysVtu(const std::string& path, const ExtractionRun& run, const OutputOptions& options) {
    writeRaysVtu(path, run, options, rayPointEigens(run));
}

void writeProfilesVtu(const std::string& path, const ExtractionRun& run,
                      const OutputOptions& options, const RayPointEigens& eigens) {
    const SkinSurface& skin = run.skin;
    const std::size_t kernelNodes = skin.fileNode.size();
    // Profiles by kernel node: the kernel keeps file order, so file numbers map by search.
    std::vector<long> profileOfKernelNode(kernelNodes + 1, -1);
    {
        long long maxFile = 0;
        for (int f : skin.fileNode) maxFile = f > maxFile ? f : maxFile;
        std::vector<long> byFile(static_cast<std::size_t>(maxFile) + 1, -1);
        for (std::size_t k = 0; k < kernelNodes; ++k)
            byFile[static_cast<std::size_t>(skin.fileNode[k])] = static_cast<long>(k + 1);
        for (std::size_t i = 0; i < run.profiles.size(); ++i) {
            const auto f = static_cast<std::size_t>(run.profiles[i].fileNode);
            if (f >= 1 && f < byFile.size() && byFile[f] > 0)
                profileOfKernelNode[static_cast<std::size_t>(byFile[f])] = static_cast<long>(i);
        }
    }
    PointFields f;
    std::vector<long long> connectivity, offsets, types, cellKind, cellNode;
    std::vector<long long> pointOfKernelNode(kernelNodes + 1, -1);
    for (std::size_t face = 0; face < skin.faces.size(); ++face) {
        const int corners = skin.corners[face];
        for (int c = 0; c < corners; ++c) {
            const auto k = static_cast<std::size_t>(skin.faces[face][static_cast<std::size_t>(c)]);
            if (k < 1 || k > kernelNodes) continue;
            if (pointOfKernelNode[k] < 0) {
                pointOfKernelNode[k] = static_cast<long long>(f.points());
                const long pi = profileOfKernelNode[k];
                const NodeProfile* p =
                    pi >= 0 ? &run.profiles[static_cast<std::size_t>(pi)] : nullptr;
                const bool has = p && p->crossed && !p->value.empty();
                // A skin node carries its first sample point's values, decomposed already.
                const TensorEigen* eigen =
                    has && !p->depth.empty()
                        ? &eigens.points[eigens.firstOfProfile[static_cast<std::size_t>(pi)]]
                        : nullptr;
                const double dir[3] = {p ? p->dx : 0.0, p ? p->dy : 0.0, p ? p->dz : 0.0};
                f.add(skin.xyz[3 * (k - 1)], skin.xyz[3 * (k - 1) + 1], skin.xyz[3 * (k - 1) + 2],
                      skin.fileNode[k - 1], has, has && p->wall, has ? p->thickness : 0.0, 0.0, dir,
                      has ? &p->value[0] : nullptr, eigen);
            }
            connectivity.push_back(pointOfKernelNode[k]);
        }
        offsets.push_back(static_cast<long long>(connectivity.size()));
        types.push_back(corners == 3 ? kVtkTriangle : kVtkQuad);
        cellKind.push_back(kKindSkinFace);
        cellNode.push_back(0);
    }
    for (std::size_t i = 0; i < run.profiles.size(); ++i) {
        const NodeProfile& p = run.profiles[i];
        if (!p.crossed) continue;
        for (std::size_t j = 0; j < p.depth.size(); ++j)
            connectivity.push_back(static_cast<long long>(f.points() + j));
        addRayPoints(f, p, eigens.points.data() + eigens.firstOfProfile[i]);
        offsets.push_back(static_cast<long long>(connectivity.size()));
        types.push_back(kVtkPolyLine);
        cellKind.push_back(kKindRay);
        cellNode.push_back(p.fileNode);
    }
    writeGrid(path, run, options, f, false,
              {{"kind", std::move(cellKind)}, {"node", std::move(cellNode)}}, "kind",
              {std::move(connectivity), std::move(offsets), std::move(types)});
}

void writeRaysVtu(const std::string& path, const ExtractionRun& run, const OutputOptions& options,
                  const RayPointEigens& eigens) {
    PointFields f;
    std::vector<long long> connectivity, offsets, types, cellNode, cellWall;
    for (std::size_t i = 0; i < run.profiles.size(); ++i) {
        const NodeProfile& p = run.profiles[i];
        if (!p.crossed) continue;
        const auto first = static_cast<long long>(f.points());
        addRayPoints(f, p, eigens.points.data() + eigens.firstOfProfile[i]);
        for (std::size_t j = 1; j < p.depth.size(); ++j) {
            connectivity.insert(connectivity.end(), {first + static_cast<long long>(j) - 1,
                                                     first + static_cast<long long>(j)});
            offsets.push_back(static_cast<long long>(connectivity.size()));
            types.push_back(kVtkLine);
            cellNode.push_back(p.fileNode);
            cellWall.push_back(p.wall ? 1 : 0);
        }
    }
    writeGrid(path, run, options, f, true,
              {{"node", std::move(cellNode)}, {"wall", std::move(cellWall)}}, "wall",
              {std::move(connectivity), std::move(offsets), std::move(types)});
}

}  // namespace qvr::cli
