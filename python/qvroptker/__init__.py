"""Thickness profiles of fibre orientation in moulded parts, on numpy arrays.

The package wraps the QVROptKer library: a solid mesh (from a mesh file or from arrays), the
fibre-orientation results of its cells (from a result file or an array), the kernel's searches
and the extraction tool's through-thickness profiles at skin nodes.

Conventions:

* Node indices are 0-based positions in the mesh file's node list (or in the node array handed
  in); cell indices are 0-based positions in the cell order (the file's, or the order of the
  cell blocks handed in).
* ``Mesh.nodes`` holds the coordinates as stored, in the mesh's own unit and in single
  precision, as a mesh file holds them. Every other length (search boxes and rays, profile
  depths and thicknesses, ray origins) is in millimetres, the library's unit.
* Bad arrays raise ``ValueError``, files that cannot be read or written ``OSError``, each
  with the library's message.
"""

from dataclasses import dataclass
import os

import numpy as np

from . import _qvroptker as _core

__all__ = ["Mesh", "Results", "ExtractTool", "Profiles", "ElementHits", "read_mesh",
           "read_results", "CELL_KINDS"]

# meshio's names of the four linear solid kinds and their node counts.
CELL_KINDS = {"tetra": 4, "pyramid": 5, "wedge": 6, "hexahedron": 8}
_KIND_OF_COUNT = {n: kind for kind, n in CELL_KINDS.items()}
_FACE_KINDS = {"triangle": 3, "quad": 4}
# Thicknesses at or beyond this (mm) are the centroid-plane mode's "no crossing" (it reports
# 1e30); the exact mode reports 0.
_NO_CROSSING_MM = 1e29


def _file_error(error):
    """A file that cannot be read or written, with the reader's or writer's reason."""
    return OSError(str(error))


def _refuse_own_source(path, source):
    """Outputs never replace the file an object was read from (the tool may read it again)."""
    if source is not None and os.path.exists(path) and os.path.samefile(path, source):
        raise ValueError(f"{path}: this is the file the object was read from; write elsewhere")


def _blocks(cells, kinds, what):
    """(kind, (n, k) int32 array) pairs from a dict or a list of pairs, in the order given."""
    items = cells.items() if isinstance(cells, dict) else cells
    blocks = []
    for kind, array in items:
        kind = getattr(kind, "type", kind)
        if kind not in kinds:
            raise ValueError(f"{what} kind {kind!r}: expected one of {', '.join(kinds)}")
        a = np.asarray(array)
        if a.ndim != 2 or a.shape[1] != kinds[kind]:
            raise ValueError(f"{what} block {kind!r}: expected an (n, {kinds[kind]}) array, "
                             f"got shape {a.shape}")
        if a.size and not np.issubdtype(a.dtype, np.integer):
            raise ValueError(f"{what} block {kind!r}: node indices must be integers")
        if a.size and (a.max() > np.iinfo(np.int32).max or a.min() < np.iinfo(np.int32).min):
            raise ValueError(f"{what} block {kind!r}: node index beyond 32 bits")
        blocks.append((kind, np.ascontiguousarray(a, dtype=np.int32)))
    return blocks


@dataclass(frozen=True)
class ElementHits:
    """Elements a search met: 0-based skin-face indices (rows of ``Mesh.skin_faces``) and
    0-based cell indices."""
    faces: np.ndarray
    cells: np.ndarray


class Mesh:
    """A solid mesh of tetrahedra, pyramids, wedges and hexahedra.

    ``Mesh(nodes, cells, faces=None, unit="mm")``: ``nodes`` is an (n, 3) array; ``cells`` maps
    a kind name ("tetra", "pyramid", "wedge", "hexahedron") to an (m, k) array of 0-based node
    indices in the mesh file's node order, or is a list of (kind, array) pairs (kinds may
    repeat; the cell order is the order of the blocks). ``faces`` are the skin faces ("triangle",
    "quad"), listed counter-clockwise seen from outside, or None to derive the skin from the
    cells. Cells must be positively oriented; inverted or degenerate cells are refused.
    """

    def __init__(self, nodes, cells, faces=None, unit="mm"):
        blocks = _blocks(cells, CELL_KINDS, "cell")
        face_blocks = None if faces is None else _blocks(faces, _FACE_KINDS, "face")
        nodes = np.asarray(nodes, dtype=np.float64)
        core = _core.MeshCore.from_arrays(
            nodes, [a for _, a in blocks],
            None if face_blocks is None else [a for _, a in face_blocks], unit)
        self._init(core, blocks)

    @classmethod
    def _from_core(cls, core):
        mesh = cls.__new__(cls)
        blocks, _ = core.content_arrays()
        mesh._init(core, [(_KIND_OF_COUNT.get(a.shape[1], f"{a.shape[1]}-node"), a)
                          for a in blocks])
        return mesh

    def _init(self, core, blocks):
        self._core = core
        self._blocks = blocks

    # Content -------------------------------------------------------------------------------
    @property
    def nodes(self):
        """(n, 3) float32 coordinates as stored (read-only view, in ``unit``)."""
        return self._core.nodes

    @property
    def unit(self):
        return self._core.unit

    @property
    def unit_factor(self):
        """Millimetres per unit of ``nodes``."""
        return self._core.unit_factor

    @property
    def cell_blocks(self):
        """The cells as (kind, (m, k) int32 array) pairs in cell order."""
        return list(self._blocks)

    @property
    def cells(self):
        """The cells by kind; within a kind in cell order."""
        out = {}
        for kind, a in self._blocks:
            out[kind] = np.concatenate([out[kind], a]) if kind in out else a
        return out

    @property
    def cell_count(self):
        return self._core.cell_count

    @property
    def skin_faces(self):
        """(f, 4) int32 node indices of the skin faces the kernel holds; -1 in the fourth
        column of a triangle."""
        return self._core.skin_faces()

    @property
    def skin_nodes(self):
        """Sorted node indices of the skin."""
        return self._core.skin_nodes()

    def node_normals(self):
        """(n, 3) area-weighted outward node normals (mean vector area of the skin faces around
        each node, mm^2; zero off the skin), as the kernel computes them."""
        return self._core.node_normals()

    # Searches ------------------------------------------------------------------------------
    def near_elements(self, box_min, box_max):
        """Skin faces and cells whose boxes meet the box (mm), in the tree's visiting order."""
        faces, cells = self._core.near_elements(np.asarray(box_min, float),
                                                np.asarray(box_max, float))
        return ElementHits(faces, cells)

    def ray_elements(self, origin, direction):
        """Candidate skin faces and cells along the ray (mm), ascending."""
        faces, cells = self._core.ray_elements(np.asarray(origin, float),
                                               np.asarray(direction, float))
        return ElementHits(faces, cells)

    # Files and meshio ----------------------------------------------------------------------
    def write(self, path, binary=True):
        """Writes the mesh file (binary or text), with the skin the kernel was given."""
        _refuse_own_source(os.fspath(path), self._core.source_path)
        try:
            self._core.write(os.fspath(path), bool(binary))
        except ValueError as e:
            raise _file_error(e) from None

    @classmethod
    def from_meshio(cls, m, unit="mm"):
        """A mesh from a meshio.Mesh: its solid cell blocks in order; lower-dimensional blocks
        are ignored and the skin derived."""
        blocks = [(b.type, b.data) for b in m.cells if b.type in CELL_KINDS]
        if not blocks:
            raise ValueError("the meshio mesh has no tetra, pyramid, wedge or hexahedron cells")
        return cls(m.points, blocks, unit=unit)

    def to_meshio(self):
        """A meshio.Mesh with the nodes (as float64) and the cell blocks in cell order."""
        import meshio
        return meshio.Mesh(self.nodes.astype(np.float64), self.cell_blocks)

    def __repr__(self):
        return (f"Mesh({len(self.nodes)} nodes, {self.cell_count} cells, "
                f"{len(self.skin_faces)} skin faces, unit={self.unit!r})")


def read_mesh(path):
    """Reads a mesh file (text or binary)."""
    path = os.fspath(path)
    try:
        core = _core.MeshCore.from_file(path)
    except ValueError as e:
        raise _file_error(e) from None
    return Mesh._from_core(core)


class Results:
    """Fibre-orientation tensors per cell: an (n_cells, 6) array of a11, a22, a33, a12, a23,
    a13 in the mesh's cell order, held in single precision as the result file holds them."""

    def __init__(self, tensors):
        t = np.asarray(tensors)
        if t.ndim != 2 or t.shape[1] != 6:
            raise ValueError(f"tensors: expected an (n_cells, 6) array, got shape {t.shape}")
        if not np.all(np.isfinite(t)):
            raise ValueError("tensors: every value must be finite")
        self._tensors = np.ascontiguousarray(t, dtype=np.float32)
        self._tensors.flags.writeable = False
        self._path = None

    @property
    def tensors(self):
        return self._tensors

    def write(self, path):
        """Writes the result file (six per-cell fibre items), readable by every tool."""
        _refuse_own_source(os.fspath(path), self._path)
        try:
            _core.write_results(os.fspath(path), self._tensors)
        except ValueError as e:
            raise _file_error(e) from None

    def __len__(self):
        return len(self._tensors)


def read_results(path):
    """Reads the six fibre-orientation items of a result file (missing items read as 0)."""
    path = os.fspath(path)
    try:
        tensors = _core.read_results(path)
    except ValueError as e:
        raise _file_error(e) from None
    results = Results.__new__(Results)
    tensors.flags.writeable = False
    results._tensors = tensors
    results._path = path
    return results


@dataclass(frozen=True)
class Profiles:
    """Through-thickness profiles, one row per node: ``node`` (n,) node indices, ``thickness``
    (n,) mm, ``depth`` (n, layers) mm from the node, ``values`` (n, layers, 6) as a11, a22,
    a33, a12, a23, a13, ``no_crossing`` (n,) rays that found no opposite skin."""
    node: np.ndarray
    thickness: np.ndarray
    depth: np.ndarray
    values: np.ndarray
    no_crossing: np.ndarray


_MODES = {"exact": _core.THICKNESS_EXACT, "centroid": _core.THICKNESS_CENTROID_PLANE}


class ExtractTool:
    """The extraction tool on a mesh and its results.

    ``mode`` is "exact" (the default) or "centroid" (the centroid-plane thickness). ``threads``
    is the number of threads the rays are traced on, 0 (the default) for every hardware
    thread; the profiles are the same bit for bit whatever the count.
    """

    def __init__(self, mesh, results, mode="exact", threads=0):
        if mode not in _MODES:
            raise ValueError(f"mode {mode!r}: expected one of {', '.join(_MODES)}")
        if int(threads) < 0:
            raise ValueError("threads must be 0 (every hardware thread) or more")
        if not isinstance(results, Results):
            results = Results(results)
        if len(results) > mesh.cell_count or (results._path is None
                                              and len(results) != mesh.cell_count):
            # A result file for fewer cells leaves the rest at 0, as the tool reads files.
            raise ValueError(f"expected fibre values for {mesh.cell_count} cells, "
                             f"got {len(results)}: the results belong to another mesh")
        self._mesh = mesh
        self._tool = _core.ToolCore(mesh._core, results._path,
                                    results.tensors.astype(np.float64), _MODES[mode],
                                    int(threads))
        self.mode = mode
        self.threads = int(threads)

    def profiles(self, nodes=None, layers=11, directions=None):
        """Profiles at ``nodes`` (default: every skin node) along ``directions`` ((n, 3), any
        length; default: the negated kernel normal, into the part)."""
        mesh = self._mesh
        skin = mesh.skin_nodes
        nodes = skin if nodes is None else np.asarray(nodes, dtype=np.int64).reshape(-1)
        if nodes.size and (nodes.min() < 0 or nodes.max() >= len(mesh.nodes)):
            raise ValueError(f"node indices must lie in 0..{len(mesh.nodes) - 1}")
        nodes = nodes.astype(np.int32)
        origins = mesh._core.kernel_node_xyz(nodes)
        if directions is None:
            if not np.all(np.isin(nodes, skin)):
                raise ValueError("default directions exist only at skin nodes; "
                                 "give directions for the other nodes")
            directions = -mesh.node_normals()[nodes]
        directions = np.ascontiguousarray(directions, dtype=np.float64)
        if directions.shape != (len(nodes), 3):
            raise ValueError(f"directions: expected shape ({len(nodes)}, 3), "
                             f"got {directions.shape}")
        depth, values = self._tool.trace(origins, directions, int(layers))
        thickness = depth[:, -1].copy() if len(nodes) else np.zeros(0)
        crossed = (thickness > 0.0) & (thickness < _NO_CROSSING_MM)
        return Profiles(nodes, thickness, depth, values, ~crossed)

    @property
    def no_crossing_count(self):
        """Rays of the last ``profiles`` call that found no crossing, as the tool counts them."""
        return self._tool.no_crossing_count()
