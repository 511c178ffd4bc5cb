// The compiled half of the qvroptker package: the kernel, the extraction tool and the mesh and
// result files on numpy arrays. The pure-Python layer (qvroptker/__init__.py) builds the
// documented classes on these.
//
// Indices crossing this boundary are zero-based positions in the mesh's node list and cell
// list (the file's numbers minus one). Lengths other than the stored node coordinates are
// millimetres, the kernel's unit. Library refusals become ValueError (bad arrays) or OSError
// (files) carrying the library's own text.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "CQVR3DResultReader_Manipulator.h"
#include "NQBIO_Manipulator.h"
#include "QVR3DExtractTool.h"
#include "QVROptKer.h"
#include "kernel/kernel_extras.h"
#include "kernel/length_unit.h"
#include "kernel/mesh_arrays.h"

namespace py = pybind11;

namespace {

constexpr int kFiberComponents = 6;
// Result item ids in GetFiber's component order (a11 a22 a33 a12 a23 a13).
constexpr int kItemOfComponent[kFiberComponents] = {4, 5, 6, 9, 11, 10};
constexpr int kPerElement = 1;
constexpr int kRetainCellNodesOnly = 0;

using IntArray = py::array_t<int, py::array::c_style | py::array::forcecast>;
using DoubleArray = py::array_t<double, py::array::c_style | py::array::forcecast>;
using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;

[[noreturn]] void raiseValue(const std::string& text) { throw py::value_error(text); }

// The mesh content (as a mesh file holds it) and the kernel loaded from it.
struct MeshCore {
    nqbio::MeshData content;
    std::optional<std::string> sourcePath;  // set when read from a file
    CQVROptKer kernel;
    bool searchReady = false;
    double unitFactor = 1.0;

    void prepareSearch() {
        if (searchReady) return;
        kernel.InitialzeSearch(1);
        searchReady = true;
    }
};

// Blocks over (n, k) int arrays of zero-based node indices, checked for shape. The blocks point
// into the arrays, which the caller keeps alive while it uses them.
std::vector<QVRIndexBlock> indexBlocks(const std::vector<IntArray>& arrays, const char* what) {
    std::vector<QVRIndexBlock> blocks;
    for (std::size_t b = 0; b < arrays.size(); ++b) {
        const IntArray& a = arrays[b];
        if (a.ndim() != 2)
            raiseValue(std::string(what) + " block " + std::to_string(b) +
                       ": expected an (n, k) array of node indices");
        if (a.shape(0) > std::numeric_limits<int>::max())
            raiseValue(std::string(what) + " block " + std::to_string(b) + ": too many items");
        blocks.push_back({static_cast<int>(a.shape(1)), static_cast<int>(a.shape(0)), a.data()});
    }
    return blocks;
}

std::unique_ptr<MeshCore> meshFromArrays(const DoubleArray& nodes,
                                         const std::vector<IntArray>& cells,
                                         const std::optional<std::vector<IntArray>>& faces,
                                         const std::string& unit) {
    if (nodes.ndim() != 2 || nodes.shape(1) != 3) raiseValue("nodes: expected an (n, 3) array");
    if (nodes.shape(0) > std::numeric_limits<int>::max() - 1) raiseValue("nodes: too many nodes");
    const std::vector<QVRIndexBlock> cellBlocks = indexBlocks(cells, "cell");
    std::vector<QVRIndexBlock> faceBlocks;
    if (faces) faceBlocks = indexBlocks(*faces, "face");
    qvr::MeshArrays arrays;
    arrays.nodeCount = static_cast<int>(nodes.shape(0));
    arrays.xyz = nodes.data();
    arrays.cellBlockCount = static_cast<int>(cellBlocks.size());
    arrays.cellBlocks = cellBlocks.data();
    arrays.faceBlockCount = static_cast<int>(faceBlocks.size());
    static const QVRIndexBlock kNoFaces{3, 0, nullptr};
    arrays.faceBlocks = faces ? (faceBlocks.empty() ? &kNoFaces : faceBlocks.data()) : nullptr;
    arrays.unit = unit.c_str();

    // The content is built once and installed as SetMeshArrays installs it, without checking
    // the arrays a second time.
    auto core = std::make_unique<MeshCore>();
    qvr::ArrayFault fault;
    bool built = false;
    {
        py::gil_scoped_release release;
        built = qvr::buildMeshContent(arrays, core->content, fault);
        if (built) qvr::installMeshContent(core->kernel, core->content, kRetainCellNodesOnly);
    }
    if (!built) raiseValue(fault.text);
    bool recognised = false;
    core->unitFactor = qvr::unitFactorOf(core->content.unit, recognised);
    return core;
}

// The file is read once, by the mesh reader into the content, and the kernel is loaded from that
// content as ReadMeshData loads it from the file (the tables come out the same). The reader is
// kept quiet: a refused file raises one exception with its diagnostic, the same line the
// kernel's GetLastErrorText would give, and nothing reaches standard error.
std::unique_ptr<MeshCore> meshFromFile(const std::string& path) {
    auto core = std::make_unique<MeshCore>();
    std::string error;
    bool read = false;
    {
        py::gil_scoped_release release;
        read = nqbio::readMesh(path, core->content, &error, /*quiet=*/true);
        if (read) qvr::installMeshContent(core->kernel, core->content, kRetainCellNodesOnly);
    }
    if (!read) throw py::value_error(error);  // mapped to OSError by the Python layer
    core->sourcePath = path;
    bool recognised = false;
    core->unitFactor = qvr::unitFactorOf(core->content.unit, recognised);
    return core;
}

// (cell blocks, unit) of the content: the cells as runs of equal node counts in cell order,
// each an (m, k) array of zero-based node indices.
py::tuple contentArrays(MeshCore& core) {
    const nqbio::MeshData& m = core.content;
    py::list blocks;
    std::size_t start = 0;
    while (start < m.parts.size()) {
        const int k = m.parts[start].nNode;
        std::size_t end = start;
        while (end < m.parts.size() && m.parts[end].nNode == k) ++end;
        IntArray block({static_cast<py::ssize_t>(end - start), static_cast<py::ssize_t>(k)});
        int* out = block.mutable_data();
        for (std::size_t c = start; c < end; ++c)
            for (int j = 0; j < k; ++j) *out++ = m.parts[c].node[j] - 1;
        blocks.append(block);
        start = end;
    }
    return py::make_tuple(blocks, m.unit);
}

// Read-only view of the stored coordinates, kept alive by the mesh object.
py::array nodeView(py::object self) {
    MeshCore& core = self.cast<MeshCore&>();
    py::array view(
        py::dtype::of<float>(),
        {static_cast<py::ssize_t>(core.content.nodeCount()), py::ssize_t{3}},
        {static_cast<py::ssize_t>(3 * sizeof(float)), static_cast<py::ssize_t>(sizeof(float))},
        core.content.xyz.data(), self);
    py::detail::array_proxy(view.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
    return view;
}

// Skin faces as (n, 4) zero-based file node indices, -1 in the fourth column of a triangle.
IntArray skinFaces(const MeshCore& core) {
    const CQVROptKer& k = core.kernel;
    IntArray out({static_cast<py::ssize_t>(k.m_nSurface), py::ssize_t{4}});
    int* o = out.mutable_data();
    for (int f = 1; f <= k.m_nSurface; ++f) {
        const CFaceElem& face = k.m_pSurface[f];
        for (int j = 1; j <= 4; ++j)
            *o++ = j <= face.nNode ? k.m_pNode[face.pNode[j]].orgID - 1 : -1;
    }
    return out;
}

IntArray skinNodes(const MeshCore& core) {
    const CQVROptKer& k = core.kernel;
    std::vector<char> onSkin(static_cast<std::size_t>(k.m_nNode) + 1, 0);
    for (int f = 1; f <= k.m_nSurface; ++f)
        for (int j = 1; j <= k.m_pSurface[f].nNode; ++j) onSkin[k.m_pSurface[f].pNode[j]] = 1;
    std::vector<int> nodes;
    for (int i = 1; i <= k.m_nNode; ++i)
        if (onSkin[static_cast<std::size_t>(i)]) nodes.push_back(k.m_pNode[i].orgID - 1);
    IntArray out(static_cast<py::ssize_t>(nodes.size()));
    std::copy(nodes.begin(), nodes.end(), out.mutable_data());
    return out;
}

// The kernel's area-weighted normals per file node (zero off the skin), (n, 3).
DoubleArray nodeNormals(MeshCore& core) {
    CQVROptKer& k = core.kernel;
    const auto slots = static_cast<std::size_t>(k.m_nNode) + 1;
    std::vector<double> nx(slots, 0.0), ny(slots, 0.0), nz(slots, 0.0);
    k.ComputeNodeSurfaceNormal(nx.data(), ny.data(), nz.data());
    DoubleArray out({static_cast<py::ssize_t>(core.content.nodeCount()), py::ssize_t{3}});
    double* o = out.mutable_data();
    std::fill(o, o + out.size(), 0.0);
    for (int i = 1; i <= k.m_nNode; ++i) {
        double* row = o + 3 * static_cast<std::size_t>(k.m_pNode[i].orgID - 1);
        row[0] = nx[static_cast<std::size_t>(i)];
        row[1] = ny[static_cast<std::size_t>(i)];
        row[2] = nz[static_cast<std::size_t>(i)];
    }
    return out;
}

// Kernel element ids split into zero-based skin faces and cells.
py::tuple splitElements(const CQVROptKer& k, const int* ids, int count) {
    std::vector<int> faces, cells;
    for (int i = 0; i < count; ++i) {
        if (ids[i] <= k.m_nSurface)
            faces.push_back(ids[i] - 1);
        else
            cells.push_back(ids[i] - k.m_nSurface - 1);
    }
    const auto toArray = [](const std::vector<int>& v) {
        IntArray out(static_cast<py::ssize_t>(v.size()));
        std::copy(v.begin(), v.end(), out.mutable_data());
        return out;
    };
    return py::make_tuple(toArray(faces), toArray(cells));
}

std::array<double, 3> point3(const DoubleArray& a, const char* what) {
    if (a.size() != 3) raiseValue(std::string(what) + ": expected three numbers");
    return {a.data()[0], a.data()[1], a.data()[2]};
}

py::tuple nearElements(MeshCore& core, const DoubleArray& lo, const DoubleArray& hi) {
    const auto a = point3(lo, "box_min");
    const auto b = point3(hi, "box_max");
    core.prepareSearch();
    int count = 0;
    const int* ids = core.kernel.SearchNearBlockID(a[0], a[1], a[2], b[0], b[1], b[2], count, 0);
    return splitElements(core.kernel, ids, count);
}

py::tuple rayElements(MeshCore& core, const DoubleArray& origin, const DoubleArray& direction) {
    const auto o = point3(origin, "origin");
    const auto d = point3(direction, "direction");
    core.prepareSearch();
    int count = 0;
    // One ray is quick, and the kernel's result slot is shared: the GIL stays held so that
    // two Python threads never search one kernel at the same time.
    const int* ids = core.kernel.FindPassElemByAnyRay(count, o[0], o[1], o[2], d[0], d[1], d[2], 0);
    return splitElements(core.kernel, ids, count);
}

void writeMesh(const MeshCore& core, const std::string& path, bool binary) {
    std::string error;
    bool ok = false;
    {
        py::gil_scoped_release release;
        ok = (binary ? nqbio::writeBinary : nqbio::writeText)(path, core.content, &error);
    }
    if (!ok) throw py::value_error(error);
}

// Fibre values per cell in GetFiber's order, as the result file holds them.
FloatArray readResults(const std::string& path) {
    k7t::ResultFile file;
    std::string error;
    bool read = false;
    {
        py::gil_scoped_release release;
        read = k7t::read(path, file, &error);
    }
    if (!read) throw py::value_error(error);
    FloatArray out({static_cast<py::ssize_t>(file.elemCount), py::ssize_t{kFiberComponents}});
    float* o = out.mutable_data();
    std::fill(o, o + out.size(), 0.0f);
    for (int c = 0; c < kFiberComponents; ++c) {
        for (const k7t::ResultItem& item : file.items) {
            if (item.id != kItemOfComponent[c] || item.location != kPerElement) continue;
            for (std::int64_t e = 0; e < file.elemCount; ++e)
                o[e * kFiberComponents + c] = item.values[static_cast<std::size_t>(e)];
        }
    }
    return out;
}

void writeResults(const std::string& path, const FloatArray& values) {
    if (values.ndim() != 2 || values.shape(1) != kFiberComponents)
        raiseValue("fibre values: expected an (n_cells, 6) array");
    k7t::ResultFile file;
    file.elemCount = values.shape(0);
    for (int i = 0; i < kFiberComponents; ++i) {
        k7t::ResultItem item;
        item.id = k7t::kFiberItemIds[i];
        item.name = k7t::kFiberItemNames[i];
        item.location = kPerElement;
        int component = 0;
        while (kItemOfComponent[component] != item.id) ++component;
        item.values.resize(static_cast<std::size_t>(file.elemCount));
        for (std::int64_t e = 0; e < file.elemCount; ++e)
            item.values[static_cast<std::size_t>(e)] =
                values.data()[e * kFiberComponents + component];
        file.items.push_back(std::move(item));
    }
    std::string error;
    bool written = false;
    {
        py::gil_scoped_release release;
        written = k7t::write(path, file, &error);
    }
    if (!written) throw py::value_error(error);
}

// The extraction tool with the mesh and results it was given.
class ToolCore {
public:
    ToolCore(MeshCore& mesh, py::object resultPath, const py::object& values, int mode,
             int threads) {
        int status = 0;
        if (mesh.sourcePath) {
            std::string name = *mesh.sourcePath;
            // A file changed since it was read is refused in the exception's words only.
            tool_.SetQuietReading(kSilentReading);
            py::gil_scoped_release release;
            status = tool_.SetMeshFileName(name.data());
        } else {
            status = loadContent(mesh.content);
        }
        if (status != 1) raiseValue(tool_.GetLastErrorText());
        if (!resultPath.is_none()) {
            std::string name = resultPath.cast<std::string>();
            int read = 0;
            {
                py::gil_scoped_release release;
                read = tool_.SetK7TFileName(name.data());
            }
            if (read != 1) raiseValue(tool_.GetLastErrorText());
        } else {
            const DoubleArray v = values.cast<DoubleArray>();
            if (v.ndim() != 2 || v.shape(1) != kFiberComponents)
                raiseValue("fibre values: expected an (n_cells, 6) array");
            if (tool_.SetFiberValues(static_cast<int>(v.shape(0)), v.data()) != QVR_ARRAYS_OK)
                raiseValue(tool_.GetLastErrorText());
        }
        if (tool_.SetThicknessMode(mode) != 1) raiseValue("unknown thickness mode");
        if (tool_.SetThreadCount(threads) != 1)
            raiseValue("threads must be 0 (every hardware thread) or more");
    }

    // Rays from the given points (mm) along the given directions: (depth (n, layers), values
    // (n, layers, 6)).
    py::tuple trace(const DoubleArray& xyz, const DoubleArray& dirs, int layers) {
        if (xyz.ndim() != 2 || xyz.shape(1) != 3 || dirs.ndim() != 2 || dirs.shape(1) != 3 ||
            dirs.shape(0) != xyz.shape(0))
            raiseValue("ray origins and directions: expected two (n, 3) arrays of equal n");
        if (layers < 2) raiseValue("layers must be 2 or more");
        const int n = static_cast<int>(xyz.shape(0));
        DoubleArray depth({static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(layers)});
        DoubleArray values({static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(layers),
                            py::ssize_t{kFiberComponents}});
        if (n == 0) return py::make_tuple(depth, values);
        double* d = depth.mutable_data();
        double* v = values.mutable_data();
        int status = 0;
        {
            py::gil_scoped_release release;
            // The tool is not thread-safe; other Python threads may run meanwhile.
            const std::lock_guard<std::mutex> lock(busy_);
            const auto slots = static_cast<std::size_t>(n) + 1;
            std::vector<double> in[6];
            for (int c = 0; c < 6; ++c) {
                in[c].assign(slots, 0.0);
                const double* src = (c < 3 ? xyz.data() : dirs.data()) + c % 3;
                for (int i = 0; i < n; ++i) in[c][static_cast<std::size_t>(i) + 1] = src[3 * i];
            }
            status = tool_.SetSurfaceNode(n, layers, in[0].data(), in[1].data(), in[2].data(),
                                          in[3].data(), in[4].data(), in[5].data());
            const auto points = static_cast<std::size_t>(layers) + 1;
            std::vector<double> dist(points), f[kFiberComponents];
            for (auto& component : f) component.assign(points, 0.0);
            for (int i = 1; status == 1 && i <= n; ++i) {
                status = tool_.GetFiber(i, dist.data(), f[0].data(), f[1].data(), f[2].data(),
                                        f[3].data(), f[4].data(), f[5].data());
                for (int j = 1; j <= layers; ++j) {
                    *d++ = dist[static_cast<std::size_t>(j)];
                    for (const auto& component : f) *v++ = component[static_cast<std::size_t>(j)];
                }
            }
        }
        if (status != 1) raiseValue("the tool refused the rays");
        return py::make_tuple(depth, values);
    }

    int noCrossingCount() {
        const std::lock_guard<std::mutex> lock(busy_);
        return tool_.GetNoCrossingCount();
    }

private:
    // The content as arrays again: the same nodes, cells and skin give the same tables.
    int loadContent(const nqbio::MeshData& m) {
        std::vector<double> xyz(m.xyz.begin(), m.xyz.end());
        std::vector<std::vector<int>> nodes;
        std::vector<QVRIndexBlock> cells, faces;
        auto add = [&nodes](std::vector<QVRIndexBlock>& blocks, int k, const int* list) {
            if (blocks.empty() || blocks.back().nodesPerItem != k) {
                blocks.push_back({k, 0, nullptr});
                nodes.emplace_back();
            }
            ++blocks.back().count;
            for (int j = 0; j < k; ++j) nodes.back().push_back(list[j] - 1);
        };
        for (const nqbio::PartElement& p : m.parts) add(cells, p.nNode, p.node);
        const std::size_t firstFaceList = nodes.size();
        for (const nqbio::SurfaceElement& s : m.surfaces) add(faces, 4, s.node);
        for (std::size_t b = 0; b < cells.size(); ++b) cells[b].nodes = nodes[b].data();
        for (std::size_t b = 0; b < faces.size(); ++b)
            faces[b].nodes = nodes[firstFaceList + b].data();
        static const QVRIndexBlock kNoFaces{3, 0, nullptr};
        py::gil_scoped_release release;
        return tool_.SetMeshArrays(m.nodeCount(), xyz.data(), static_cast<int>(cells.size()),
                                   cells.data(), static_cast<int>(faces.size()),
                                   faces.empty() ? &kNoFaces : faces.data(), m.unit.c_str());
    }

    QVR3DExtractTool tool_;
    std::mutex busy_;  // held while the tool runs without the GIL
};

}  // namespace

PYBIND11_MODULE(_qvroptker, m) {
    m.doc() = "Compiled core of qvroptker; use the qvroptker package.";
    py::class_<MeshCore>(m, "MeshCore")
        .def_static("from_arrays", &meshFromArrays, py::arg("nodes"), py::arg("cells"),
                    py::arg("faces"), py::arg("unit"))
        .def_static("from_file", &meshFromFile, py::arg("path"))
        .def("content_arrays", &contentArrays)
        .def_property_readonly("nodes", &nodeView)
        .def_property_readonly("unit", [](const MeshCore& c) { return c.content.unit; })
        .def_property_readonly("unit_factor", [](const MeshCore& c) { return c.unitFactor; })
        .def_property_readonly("cell_count",
                               [](const MeshCore& c) { return c.kernel.m_nInnerCell; })
        .def_property_readonly("source_path", [](const MeshCore& c) { return c.sourcePath; })
        .def("skin_faces", &skinFaces)
        .def("skin_nodes", &skinNodes)
        .def("node_normals", &nodeNormals)
        .def("kernel_node_xyz",
             [](const MeshCore& c, const IntArray& fileNodes) {
                 // Kernel coordinates (mm) of file nodes; ValueError for nodes the kernel dropped.
                 const CQVROptKer& k = c.kernel;
                 DoubleArray out({fileNodes.size(), py::ssize_t{3}});
                 double* o = out.mutable_data();
                 for (py::ssize_t i = 0; i < fileNodes.size(); ++i) {
                     const int n = fileNodes.data()[i];
                     const int id = (n >= 0 && n < k.m_nNodeInFile) ? k.m_pNodeNewID[n + 1] : 0;
                     if (id == 0)
                         raiseValue("node " + std::to_string(n) + " is not a node of a cell");
                     *o++ = k.m_pNode[id].x;
                     *o++ = k.m_pNode[id].y;
                     *o++ = k.m_pNode[id].z;
                 }
                 return out;
             })
        .def("near_elements", &nearElements)
        .def("ray_elements", &rayElements)
        .def("write", &writeMesh, py::arg("path"), py::arg("binary"));
    py::class_<ToolCore>(m, "ToolCore")
        .def(py::init<MeshCore&, py::object, py::object, int, int>(), py::arg("mesh"),
             py::arg("result_path"), py::arg("values"), py::arg("mode"), py::arg("threads"))
        .def("trace", &ToolCore::trace)
        .def("no_crossing_count", &ToolCore::noCrossingCount);
    m.def("read_results", &readResults);
    m.def("write_results", &writeResults);
    m.attr("THICKNESS_CENTROID_PLANE") = static_cast<int>(QVR_THICKNESS_CENTROID_PLANE);
    m.attr("THICKNESS_EXACT") = static_cast<int>(QVR_THICKNESS_EXACT);
}
