"""Meshes from files and from arrays: the same content gives the same kernel, bad arrays give
the library's message, and meshio carries a Gmsh mesh through unchanged."""
import os

import numpy as np
import pytest

import qvroptker as q
from conftest import PARTS


def kernel_view(mesh):
    """What the kernel holds, as far as the package shows it."""
    return (mesh.skin_faces, mesh.skin_nodes, mesh.node_normals())


def assert_same_kernel(a, b):
    assert (a.unit, a.cell_count) == (b.unit, b.cell_count)
    for x, y in zip(kernel_view(a), kernel_view(b)):
        np.testing.assert_array_equal(x, y)


@pytest.mark.parametrize("part", PARTS, ids=lambda p: p[0])
def test_arrays_give_the_kernel_and_the_file_of_the_mesh_file(part, make_part, tmp_path):
    path, _ = make_part(*part)
    from_file = q.read_mesh(path)
    from_arrays = q.Mesh(from_file.nodes, from_file.cell_blocks, unit=from_file.unit)
    assert_same_kernel(from_file, from_arrays)
    # Written and read back (in the file's encoding), the mesh is the same again.
    binary = open(path, "rb").read().startswith(b"NQBB")
    copy = tmp_path / "copy.nqb"
    from_arrays.write(copy, binary=binary)
    again = q.read_mesh(copy)
    assert_same_kernel(from_file, again)
    np.testing.assert_array_equal(again.nodes, from_file.nodes)
    for (kind_a, a), (kind_b, b) in zip(again.cell_blocks, from_file.cell_blocks, strict=True):
        assert kind_a == kind_b
        np.testing.assert_array_equal(a, b)
    # Skin faces handed in (triangles first, then quadrilaterals) rather than derived: the
    # same faces, in the order given.
    faces = from_file.skin_faces
    tri, quad = faces[faces[:, 3] < 0, :3], faces[faces[:, 3] >= 0]
    given = q.Mesh(from_file.nodes, from_file.cell_blocks, faces={"triangle": tri, "quad": quad},
                   unit=from_file.unit)
    np.testing.assert_array_equal(given.skin_faces, np.concatenate(
        [np.pad(tri, ((0, 0), (0, 1)), constant_values=-1), quad]))
    np.testing.assert_array_equal(given.skin_nodes, from_file.skin_nodes)


def test_searches_find_the_cells_around_a_node(make_part):
    mesh = q.read_mesh(make_part(*PARTS[0])[0])
    cells = np.concatenate([np.pad(b, ((0, 0), (0, 8 - b.shape[1])), constant_values=-1)
                            for _, b in mesh.cell_blocks])
    for node in mesh.skin_nodes[::29]:
        p = mesh.nodes[node].astype(float) * mesh.unit_factor
        users = np.flatnonzero((cells == node).any(axis=1))
        hits = mesh.near_elements(p - 1e-3, p + 1e-3)
        assert set(users) <= set(hits.cells)
        assert set(np.flatnonzero((mesh.skin_faces == node).any(axis=1))) <= set(hits.faces)
        ray = mesh.ray_elements(p, -mesh.node_normals()[node])
        assert set(users) & set(ray.cells)
        assert ray.cells.dtype == hits.faces.dtype == np.int32
        assert np.all(np.diff(ray.cells) > 0)
    # Nothing met: still integer arrays.
    far = mesh.near_elements([1e6] * 3, [1e6 + 1] * 3)
    assert far.cells.size == far.faces.size == 0 and far.cells.dtype == np.int32


def test_nodes_are_a_read_only_view_in_the_stored_precision():
    nodes = np.array([[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]], dtype=np.float64) * 0.1
    mesh = q.Mesh(nodes, {"tetra": [[0, 1, 2, 3]]})
    assert mesh.nodes.dtype == np.float32 and not mesh.nodes.flags.writeable
    assert mesh.nodes.base is not None
    np.testing.assert_array_equal(mesh.nodes, nodes.astype(np.float32))
    assert len(mesh.skin_faces) == 4 and list(mesh.skin_nodes) == [0, 1, 2, 3]
    # Outward normals of the unit corner: the node at the origin points along -(1, 1, 1).
    n0 = mesh.node_normals()[0]
    assert np.all(n0 < 0) and np.allclose(n0, n0[0])


TET = [[0, 1, 2, 3]]
NODES = [[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]]


# The package's own shape checks, and one of the library's messages passed on.
@pytest.mark.parametrize("nodes, cells, kwargs, says", [
    (NODES, {"tetra": [[0, 1, 2]]}, {}, "expected an (n, 4) array"),
    (NODES, {"tet": TET}, {}, "cell kind 'tet'"),
    (NODES, {"tetra": [[0.0, 1, 2, 3]]}, {}, "must be integers"),
    (NODES, {"tetra": [[0, 1, 2, 2**40]]}, {}, "beyond 32 bits"),
    ([[0, 0], [1, 0]], {"tetra": TET}, {}, "(n, 3) array"),
    (NODES, {"tetra": TET}, {"faces": {"quad": [[0, 1, 2]]}}, "face block 'quad'"),
    (NODES, {"tetra": [[0, 2, 1, 3]]}, {}, "cell 0 (block 0, entry 0) is inverted"),
])
def test_bad_arrays_raise_the_library_message(nodes, cells, kwargs, says):
    with pytest.raises(ValueError) as error:
        q.Mesh(nodes, cells, **kwargs)
    assert says in str(error.value)


def test_unreadable_files_raise_one_quiet_error_with_the_readers_line(make_part, tmp_path,
                                                                      capfd):
    good, results = make_part(*PARTS[0])
    damaged_binary = tmp_path / "damaged.nqb"
    damaged_binary.write_bytes(b"NQBB\x00\x01")
    damaged_text = tmp_path / "damaged_text.nqb"
    lines = open(good).read().splitlines()
    lines[3] = "not a number at all"
    damaged_text.write_text("\n".join(lines) + "\n")
    for path in (tmp_path / "missing.nqb", damaged_binary, damaged_text):
        with pytest.raises(OSError) as error:
            q.read_mesh(path)
        # The reader's own diagnostic, "file:place: what", as one line.
        text = str(error.value)
        assert text.startswith(f"{path}:") and "\n" not in text
    assert "damaged_text.nqb:4:" in text
    with pytest.raises(OSError, match="missing.k7t"):
        q.read_results(tmp_path / "missing.k7t")
    # A mesh file damaged after it was read is refused again when a tool loads it.
    copy = tmp_path / "copy.nqb"
    copy.write_bytes(open(good, "rb").read())
    mesh = q.read_mesh(copy)
    copy.write_bytes(b"NQBB\x00\x01")
    with pytest.raises(ValueError, match="copy.nqb:"):
        q.ExtractTool(mesh, q.read_results(results))
    assert capfd.readouterr() == ("", "")


LINEAR_GMSH = ["box_hex_22.msh", "box_hex_41_bin.msh", "box_tet_22.msh", "box_tet_41_bin.msh",
               "hybrid_22.msh", "hybrid_41_bin.msh", "wedge_prism_41.msh", "sparse_tags_22.msh"]


@pytest.mark.parametrize("name", LINEAR_GMSH)
def test_meshio_round_trip_of_a_gmsh_mesh_keeps_every_cell(name, gmsh_dir, qvr_exe, tmp_path):
    meshio = pytest.importorskip("meshio")
    source = meshio.read(os.path.join(gmsh_dir, name))
    solid = [(b.type, b.data) for b in source.cells if b.type in q.CELL_KINDS]
    mesh = q.Mesh.from_meshio(source)
    back = mesh.to_meshio()
    assert [b.type for b in back.cells] == [t for t, _ in solid]
    for b, (_, data) in zip(back.cells, solid):
        np.testing.assert_array_equal(b.data, data)
    np.testing.assert_array_equal(back.points, source.points.astype(np.float32))
    # Through a file meshio writes and reads, and against the host's own Gmsh import (which
    # renumbers the used nodes in file order, as meshio keeps them when all are used).
    vtu = tmp_path / "mesh.vtu"
    meshio.write(vtu, back)
    again = q.Mesh.from_meshio(meshio.read(vtu))
    np.testing.assert_array_equal(again.skin_faces, mesh.skin_faces)
    imported = tmp_path / "imported.nqb"
    import subprocess
    subprocess.run([qvr_exe, "import", os.path.join(gmsh_dir, name), str(imported)], check=True,
                   capture_output=True)
    host = q.read_mesh(imported)
    assert host.cell_count == mesh.cell_count == sum(len(d) for _, d in solid)
    if len(host.nodes) == len(mesh.nodes):
        np.testing.assert_array_equal(host.skin_faces, mesh.skin_faces)
