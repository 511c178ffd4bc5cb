// The parts that every benchmark runs on, made at run time and cached one at a time.
//
// A part is the generator's plate with ribs, sized for a requested cell count, or a Gmsh mesh of
// a CAD-like part (gmsh_part.h), written as a text mesh, a binary mesh and a fibre result file
// into a scratch folder. The benchmarks of one part
// share one Part: it is built on first use and dropped when another part is asked for, so a
// run holds one part in memory at a time (register benchmarks part by part).
#ifndef QVR_BENCH_BENCH_PART_H
#define QVR_BENCH_BENCH_PART_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PartGenerator.h"
#include "QVROptKer.h"
#include "scratch_folder.h"

namespace qvr::bench {

// Sample points per ray, as the qvr host uses by default.
constexpr int kLayers = 11;
// Rays of the per-ray benchmarks (ray pass search, GetFiber, the ray anchors), evenly spread
// over the skin nodes.
constexpr int kRaySampleSize = 2000;
// SetSurfaceNode runs over every skin node of parts up to kFullSkinCellLimit requested cells;
// on larger ones, where that takes minutes per mode, over kSurfaceNodeSampleSize evenly spread
// nodes: enough that the rays, not the per-call set-up, make most of the call.
constexpr long long kFullSkinCellLimit = 300000;
constexpr int kSurfaceNodeSampleSize = 5000;
// Small-box queries per iteration: cubes of side MinMesh centred on pseudo-random cell
// centroids (fixed seed, so every run and every anchor asks the same boxes).
constexpr int kQueryCount = 1000;
constexpr unsigned kQuerySeed = 20240611u;

struct PartKey {
    gen::CellType type = gen::CellType::Hex;  // of a generated part
    // A generated part's requested count (the generator lands near it); a mesh part's own.
    long long cells = 0;
    // A part read from a Gmsh mesh: the file and the name it is listed under; both empty for a
    // generated part.
    std::string gmshMesh, name;

    static PartKey generated(gen::CellType cellType, long long requestedCells) {
        PartKey key;
        key.type = cellType;
        key.cells = requestedCells;
        return key;
    }
    bool fromMesh() const { return !gmshMesh.empty(); }
    bool operator==(const PartKey& o) const {
        return type == o.type && cells == o.cells && gmshMesh == o.gmshMesh && name == o.name;
    }
};
// "1e4", "1e5", ... for powers of ten, the plain number otherwise.
std::string sizeLabel(long long cells);
// "hex/1e5" for a generated part, "cad/bracket" for a mesh part.
std::string partLabel(const PartKey& key);

// Rays in the layout SetSurfaceNode takes: one-based arrays, entry 0 unused.
struct RaySet {
    int count = 0;
    std::vector<double> x{0.0}, y{0.0}, z{0.0}, dx{0.0}, dy{0.0}, dz{0.0};
    std::vector<int> node{0};  // kernel node number of each ray's skin node

    void add(int kernelNode, double px, double py, double pz, double ax, double ay, double az);
    // count rays spread evenly over this set (all of them when count is not smaller).
    RaySet spread(int wanted) const;
};

struct QueryBox {
    double xmin, ymin, zmin, xmax, ymax, zmax;
};

// The files of a part and its counts.
struct PartFiles {
    ScratchFolder folder;
    std::string textMesh, binaryMesh, results;
    std::uintmax_t textBytes = 0, binaryBytes = 0;
    int cells = 0, nodes = 0, faces = 0;
};
// Generates the part (or reads its mesh) and writes its files; throws std::runtime_error when
// the part cannot be made or a writer fails.
std::unique_ptr<PartFiles> writePart(const PartKey& key);

// A mutable copy of a path for the library's char* parameters.
std::vector<char> cPath(const std::string& path);

// SetSurfaceNode is measured on a sample rather than the whole skin (the key's cell count).
inline bool sampleSurfaceNodes(long long cells) { return cells > kFullSkinCellLimit; }

// The rays SetSurfaceNode is measured on: the whole skin, or a sample for large parts.
RaySet surfaceNodeRays(const RaySet& skin, long long requestedCells);

// Every skin node of a loaded kernel (a node of a skin face) in node order, its ray pointing
// into the part: the negated area-weighted node normal.
RaySet skinRays(CQVROptKer& kernel);
// The kQueryCount small query boxes of a kernel with its search set up.
std::vector<QueryBox> smallBoxes(const CQVROptKer& kernel);

// Everything the stage and anchor benchmarks of one part use.
struct Part {
    PartKey key;
    int serial = 0;  // distinct for every part made in this process
    std::unique_ptr<PartFiles> files;
    std::unique_ptr<CQVROptKer> kernel;  // binary mesh loaded, search set up with one slot
    RaySet skin;                         // every skin node, direction = negated node normal
    RaySet sample;                       // kRaySampleSize of them, evenly spread
    RaySet surfaceNodeRays;              // what SetSurfaceNode is measured on
    std::vector<QueryBox> queries;

    bool surfaceNodesSampled() const { return sampleSurfaceNodes(key.cells); }
};

// Loads the files into a kernel and derives the rays and queries; throws std::runtime_error
// when the library refuses the mesh.
std::unique_ptr<Part> preparePart(const PartKey& key, std::unique_ptr<PartFiles> files);

// The cached part for key: made on first use, replacing (and first releasing) any other.
Part& part(const PartKey& key);

// Data that one benchmark file derives from a part (an index, a loaded tool), made on first use
// and replaced when asked for with another part.
template <class T>
class PerPart {
public:
    template <class Make>
    T& get(const Part& p, Make make) {
        if (!value_ || serial_ != p.serial) {
            value_.reset();
            value_ = make();
            serial_ = p.serial;
        }
        return *value_;
    }

private:
    int serial_ = -1;
    std::unique_ptr<T> value_;
};

}  // namespace qvr::bench

#endif
