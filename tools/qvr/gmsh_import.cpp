#include "gmsh_import.h"

#include <array>
#include <cfloat>
#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/whole_file.h"
#include "generator/PartGenerator.h"
#include "gmsh_reader.h"

namespace qvr::cli {

namespace {

// Dense lookup is used while the largest tag stays within this multiple of the node count
// (plus a small allowance); sparser numbering goes through a hash map.
constexpr long long kDenseTagFactor = 8;
constexpr long long kDenseTagAllowance = 1024;

MshLayout readMeshFormat(MshCursor& c, GmshRawMesh& raw) {
    if (c.nonBlankLine() != "$MeshFormat") c.fail("not a Gmsh mesh file (no $MeshFormat)");
    const std::string_view head = c.nonBlankLine();
    const std::size_t blank = head.find_first_of(" \t");
    raw.version = std::string(head.substr(0, blank));
    MshCursor fields(blank == std::string_view::npos ? std::string_view() : head.substr(blank));
    long long fileType = -1, dataSize = -1;
    try {
        fileType = fields.integer("file-type");
        dataSize = fields.integer("data-size");
    } catch (const MshFormatError&) {
        c.fail("damaged $MeshFormat line");
    }
    MshLayout layout;
    layout.binary = fileType == 1;
    raw.binary = layout.binary;
    const bool v2 = raw.version.size() >= 2 && raw.version.compare(0, 2, "2.") == 0;
    const bool v41 = raw.version == "4.1";
    if (!v2 && !v41) c.fail("MSH version " + raw.version + " is not supported (2.2 and 4.1 are)");
    if (fileType != 0 && fileType != 1) c.fail("damaged $MeshFormat line (file-type)");
    if (layout.binary) {
        if (v2 && dataSize != 8) c.fail("unsupported data-size " + std::to_string(dataSize));
        if (v41 && dataSize != 4 && dataSize != 8)
            c.fail("unsupported data-size " + std::to_string(dataSize));
        layout.sizeBytes = static_cast<int>(dataSize);
        const std::int32_t one = c.binary<std::int32_t>("the byte-order mark");
        if (one != 1)
            c.fail(one == 0x01000000 ? "big-endian binary files are not supported"
                                     : "damaged byte-order mark");
    }
    expectLine(c, "$EndMeshFormat");
    return layout;
}

void readSections(MshCursor& c, const MshLayout& layout, GmshRawMesh& raw) {
    const bool v2 = raw.version[0] == '2';
    bool haveNodes = false, haveElements = false;
    while (c.skipToContent()) {
        const std::string_view head = c.nonBlankLine();
        if (head.empty() || head[0] != '$') c.fail("expected a section name starting with $");
        const std::string name(head.substr(1));
        if (name == "Nodes") {
            if (haveNodes) c.fail("second $Nodes section");
            v2 ? parseNodesV2(c, layout, raw) : parseNodesV4(c, layout, raw);
            haveNodes = true;
        } else if (name == "Elements") {
            if (haveElements) c.fail("second $Elements section");
            v2 ? parseElementsV2(c, layout, raw) : parseElementsV4(c, layout, raw);
            haveElements = true;
        } else {
            // Sections the import has no use for ($PhysicalNames, $Entities, $NodeData, ...).
            // Binary ones are stepped over by their end marker; eleven or more particular
            // bytes turning up by chance inside binary data is not a practical concern.
            if (!c.skipPast("$End" + name)) c.fail("section $" + name + " has no end marker");
            c.skipRestOfLine();
        }
    }
    if (!haveNodes) c.fail("no $Nodes section");
    if (!haveElements) c.fail("no $Elements section");
}

[[noreturn]] void failContent(const std::string& what) { throw MshFormatError(what); }

// Node tag -> index of the node in file order.
class TagIndex {
public:
    explicit TagIndex(const std::vector<long long>& tags) {
        long long maxTag = 0;
        for (long long t : tags) {
            if (t < 1) failContent("node tag " + std::to_string(t) + " is not positive");
            if (t > maxTag) maxTag = t;
        }
        const long long n = static_cast<long long>(tags.size());
        dense_ = maxTag <= kDenseTagFactor * n + kDenseTagAllowance;
        if (dense_) dense_index_.assign(static_cast<std::size_t>(maxTag) + 1, -1);
        for (std::size_t i = 0; i < tags.size(); ++i) {
            bool fresh = true;
            if (dense_) {
                long long& slot = dense_index_[static_cast<std::size_t>(tags[i])];
                fresh = slot < 0;
                slot = static_cast<long long>(i);
            } else {
                fresh = sparse_index_.emplace(tags[i], static_cast<long long>(i)).second;
            }
            if (!fresh) failContent("node tag " + std::to_string(tags[i]) + " appears twice");
        }
    }
    // -1 when the tag names no node.
    long long find(long long tag) const {
        if (dense_) {
            if (tag < 1 || tag >= static_cast<long long>(dense_index_.size())) return -1;
            return dense_index_[static_cast<std::size_t>(tag)];
        }
        const auto it = sparse_index_.find(tag);
        return it == sparse_index_.end() ? -1 : it->second;
    }

private:
    bool dense_ = true;
    std::vector<long long> dense_index_;
    std::unordered_map<long long, long long> sparse_index_;
};

void buildMesh(const GmshRawMesh& raw, const std::string& unit, nqbio::MeshData& mesh,
               GmshImportReport& report) {
    if (raw.cells.empty())
        failContent("no tetrahedra, pyramids, prisms or hexahedra in the file (is it a 3-D mesh?)");
    const TagIndex index(raw.nodeTags);
    std::vector<int> newNumber(raw.nodeTags.size(), 0);
    for (const GmshRawCell& cell : raw.cells) {
        const int n = findGmshElementType(cell.type)->nodes;
        for (int k = 0; k < n; ++k) {
            const long long tag = cell.tags[static_cast<std::size_t>(k)];
            const long long i = index.find(tag);
            if (i < 0)
                failContent("an element uses node tag " + std::to_string(tag) +
                            ", which $Nodes does not define");
            newNumber[static_cast<std::size_t>(i)] = -1;  // used; numbered below
        }
    }
    mesh = nqbio::MeshData();
    mesh.unit = unit;
    int next = 0;
    for (std::size_t i = 0; i < newNumber.size(); ++i) {
        if (newNumber[i] == 0) continue;
        if (next == 2147483647) failContent("too many nodes");
        newNumber[i] = ++next;
        for (int k = 0; k < 3; ++k) {
            const double v = raw.xyz[3 * i + static_cast<std::size_t>(k)];
            if (!std::isfinite(v) || std::fabs(v) > FLT_MAX)
                failContent("node tag " + std::to_string(raw.nodeTags[i]) +
                            " has a coordinate that is not a finite single-precision number");
            mesh.xyz.push_back(static_cast<float>(v));
        }
    }
    mesh.parts.reserve(raw.cells.size());
    report.cellTags.clear();
    report.cellTags.reserve(raw.cells.size());
    for (const GmshRawCell& cell : raw.cells) {
        report.cellTags.push_back(cell.elementTag);
        nqbio::PartElement part;
        part.nNode = findGmshElementType(cell.type)->nodes;
        for (int k = 0; k < part.nNode; ++k)
            part.node[k] = newNumber[static_cast<std::size_t>(
                index.find(cell.tags[static_cast<std::size_t>(k)]))];
        const double volume = signedCellVolume(mesh, part);
        if (volume < 0.0) {
            reverseCellOrientation(part);
            ++report.reorientedCells;
        } else if (volume == 0.0) {
            ++report.flatCells;
        }
        switch (cell.type) {
            case kGmshTet4: ++report.tets; break;
            case kGmshPyramid5: ++report.pyramids; break;
            case kGmshPrism6: ++report.prisms; break;
            default: ++report.hexes; break;
        }
        mesh.parts.push_back(part);
    }
    report.nodesInFile = static_cast<long long>(raw.nodeTags.size());
    report.nodesKept = next;
    report.ignoredElements = raw.ignoredElements;
    gen::deriveSkin(mesh);
    gen::computeVolumes(mesh);
    report.skinFaces = static_cast<long long>(mesh.surfaces.size());
}

}  // namespace

bool importGmshData(std::string_view data, const std::string& unit, nqbio::MeshData& mesh,
                    GmshImportReport& report, std::string& error) {
    report = GmshImportReport();
    MshCursor c(data);
    try {
        GmshRawMesh raw;
        const MshLayout layout = readMeshFormat(c, raw);
        report.version = raw.version;
        report.binary = raw.binary;
        readSections(c, layout, raw);
        nqbio::MeshData built;
        buildMesh(raw, unit, built, report);
        mesh = std::move(built);
    } catch (const MshFormatError& e) {
        error = e.what();
        return false;
    }
    return true;
}

bool importGmshFile(const std::string& path, const std::string& unit, nqbio::MeshData& mesh,
                    GmshImportReport& report, std::string& error) {
    std::string data;
    std::string why;
    if (!common::readWholeFile(path.c_str(), data, why)) {
        error = path + ": " + why;
        return false;
    }
    if (!importGmshData(data, unit, mesh, report, why)) {
        error = path + ": " + why;
        return false;
    }
    return true;
}

namespace {

using Point = std::array<double, 3>;

Point nodeAt(const nqbio::MeshData& mesh, int fileNode) {
    const std::size_t i = 3 * static_cast<std::size_t>(fileNode - 1);
    return {mesh.xyz[i], mesh.xyz[i + 1], mesh.xyz[i + 2]};
}

// Six times the signed volume of tetrahedron a b c d: (b - a) x (c - a) . (d - a).
double tet6(const Point& a, const Point& b, const Point& c, const Point& d) {
    const double ux = b[0] - a[0], uy = b[1] - a[1], uz = b[2] - a[2];
    const double vx = c[0] - a[0], vy = c[1] - a[1], vz = c[2] - a[2];
    const double wx = d[0] - a[0], wy = d[1] - a[1], wz = d[2] - a[2];
    return (uy * vz - uz * vy) * wx + (uz * vx - ux * vz) * wy + (ux * vy - uy * vx) * wz;
}

// Splits into tetrahedra, each positively oriented in a positively oriented reference cell.
constexpr int kTetSplit[] = {0, 1, 2, 3};
constexpr int kPyramidSplit[] = {0, 1, 2, 4, 0, 2, 3, 4};
constexpr int kPrismSplit[] = {0, 1, 2, 3, 1, 2, 3, 4, 2, 3, 4, 5};
constexpr int kHexSplit[] = {0, 1, 2, 6, 0, 2, 3, 6, 0, 3, 7, 6,
                             0, 7, 4, 6, 0, 4, 5, 6, 0, 5, 1, 6};

}  // namespace

double signedCellVolume(const nqbio::MeshData& mesh, const nqbio::PartElement& cell) {
    const int* split = nullptr;
    int tets = 0;
    switch (cell.nNode) {
        case 4:
            split = kTetSplit;
            tets = 1;
            break;
        case 5:
            split = kPyramidSplit;
            tets = 2;
            break;
        case 6:
            split = kPrismSplit;
            tets = 3;
            break;
        case 8:
            split = kHexSplit;
            tets = 6;
            break;
        default: return 0.0;
    }
    Point p[8];
    for (int k = 0; k < cell.nNode; ++k) p[k] = nodeAt(mesh, cell.node[k]);
    double sum = 0.0;
    for (int t = 0; t < tets; ++t) {
        const int* q = split + 4 * t;
        sum += tet6(p[q[0]], p[q[1]], p[q[2]], p[q[3]]);
    }
    return sum / 6.0;
}

void reverseCellOrientation(nqbio::PartElement& cell) {
    int* n = cell.node;
    switch (cell.nNode) {
        case 4: std::swap(n[1], n[2]); break;
        case 5: std::swap(n[1], n[3]); break;
        case 6:
            std::swap(n[1], n[2]);
            std::swap(n[4], n[5]);
            break;
        case 8:
            std::swap(n[1], n[3]);
            std::swap(n[5], n[7]);
            break;
        default: break;
    }
}

}  // namespace qvr::cli
