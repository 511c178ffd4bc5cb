"""Profiles through the package against the host's extraction on the same files, and the same
content handed in as arrays."""
import os
import subprocess

import numpy as np
import pytest

import qvroptker as q
from conftest import PARTS


def host_profiles(mesh_path, result_path, layers, mode):
    """(node, thickness, depth, values) as `qvr extract` computes them, exactly."""
    dump = os.environ.get("QVR_PROFILE_DUMP")
    if not dump:
        pytest.skip("QVR_PROFILE_DUMP is not set (run the tests through ctest)")
    out = subprocess.run([dump, mesh_path, result_path, str(layers), mode], check=True,
                         capture_output=True, text=True).stdout
    rows = [line.split() for line in out.splitlines()]
    node = np.array([int(r[0]) - 1 for r in rows])
    numbers = np.array([[float.fromhex(x) for x in r[1:]] for r in rows])
    per_point = numbers[:, 1:].reshape(len(rows), layers, 7)
    return node, numbers[:, 0], per_point[:, :, 0], per_point[:, :, 1:]


def assert_same_profiles(p, node, thickness, depth, values):
    np.testing.assert_array_equal(p.node, node)
    np.testing.assert_array_equal(p.thickness, thickness)
    np.testing.assert_array_equal(p.depth, depth)
    np.testing.assert_array_equal(p.values, values)


@pytest.mark.parametrize("part", PARTS, ids=lambda p: p[0])
@pytest.mark.parametrize("mode", ["exact", "centroid"])
def test_profiles_equal_the_hosts_bit_for_bit(part, mode, make_part):
    mesh_path, result_path = make_part(*part)
    layers = 6
    expected = host_profiles(mesh_path, result_path, layers, mode)
    mesh, results = q.read_mesh(mesh_path), q.read_results(result_path)
    from_files = q.ExtractTool(mesh, results, mode=mode).profiles(layers=layers)
    assert_same_profiles(from_files, *expected)
    # The same mesh and values as arrays.
    arrays = q.Mesh(mesh.nodes, mesh.cell_blocks, unit=mesh.unit)
    tool = q.ExtractTool(arrays, q.Results(results.tensors.copy()), mode=mode, threads=2)
    from_arrays = tool.profiles(layers=layers)
    assert_same_profiles(from_arrays, *expected)
    assert np.count_nonzero(from_arrays.no_crossing) == tool.no_crossing_count


def test_chosen_nodes_and_directions(make_part):
    mesh_path, result_path = make_part(*PARTS[0])
    mesh = q.read_mesh(mesh_path)
    tool = q.ExtractTool(mesh, q.read_results(result_path))
    every = tool.profiles(layers=4)
    chosen = every.node[[5, 0, 17]]
    some = tool.profiles(nodes=chosen, layers=4)
    np.testing.assert_array_equal(some.node, chosen)
    np.testing.assert_array_equal(some.values, every.values[[5, 0, 17]])
    # Directions of any length: scaling the inward normals changes nothing; turning them
    # outward finds no material ahead in the exact mode.
    inward = -mesh.node_normals()[chosen]
    np.testing.assert_array_equal(tool.profiles(chosen, 4, 3.5 * inward).depth, some.depth)
    outward = tool.profiles(chosen, 4, -inward)
    assert outward.no_crossing.all() and not some.no_crossing.any()
    np.testing.assert_array_equal(outward.thickness, 0.0)
    with pytest.raises(ValueError, match="default directions exist only at skin nodes"):
        interior = np.setdiff1d(np.arange(len(mesh.nodes)), mesh.skin_nodes)[:1]
        tool.profiles(nodes=interior)
    with pytest.raises(ValueError, match="node indices"):
        tool.profiles(nodes=[len(mesh.nodes)])
    with pytest.raises(ValueError, match="layers"):
        tool.profiles(layers=1)


def test_results_round_trip_and_refusals(make_part, tmp_path):
    mesh_path, result_path = make_part(*PARTS[1])
    mesh, results = q.read_mesh(mesh_path), q.read_results(result_path)
    assert results.tensors.shape == (mesh.cell_count, 6)
    # Written and read back, the values and hence the profiles stay.
    copy = tmp_path / "copy.k7t"
    results.write(copy)
    np.testing.assert_array_equal(q.read_results(copy).tensors, results.tensors)
    # Neither object overwrites the file it was read from.
    with pytest.raises(ValueError, match="the file the object was read from"):
        results.write(result_path)
    with pytest.raises(ValueError, match="the file the object was read from"):
        mesh.write(mesh_path)
    # Component order a11 a22 a33 a12 a23 a13: the generator's a23 is the constant 0.005.
    np.testing.assert_allclose(results.tensors[:, 4], 0.005, rtol=1e-6)
    with pytest.raises(ValueError, match=f"expected fibre values for {mesh.cell_count} cells"):
        q.ExtractTool(mesh, np.zeros((mesh.cell_count - 1, 6)))
    other = q.read_results(make_part(*PARTS[0])[1])
    assert len(other) > mesh.cell_count
    with pytest.raises(ValueError, match="belong to another mesh"):
        q.ExtractTool(mesh, other)
    with pytest.raises(ValueError, match="finite"):
        q.Results(np.full((mesh.cell_count, 6), np.inf))
    with pytest.raises(ValueError, match="mode"):
        q.ExtractTool(mesh, results, mode="fast")
