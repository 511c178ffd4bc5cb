"""Every file `qvr extract` writes opens in VTK's reader and in meshio (the gzip-compressed CSV
in numpy), and a numpy archive
saved by numpy itself imports to the same result file as the CSV of the same tensors.

Run by CTest as: read_outputs.py QVR_EXECUTABLE SCRATCH_FOLDER. Exits 77 (skipped) with the
reason when python3-vtk9, python3-meshio or python3-numpy is not installed.
"""
import os
import re
import subprocess
import sys
import warnings

try:
    import meshio
    import numpy as np
    import vtk
    from vtk.util.numpy_support import vtk_to_numpy
except ImportError as missing:
    print(f"skipped: {missing} (install python3-vtk9, python3-meshio and python3-numpy)")
    sys.exit(77)

qvr, scratch = sys.argv[1], sys.argv[2]
os.makedirs(scratch, exist_ok=True)


def run(*args):
    subprocess.run([qvr, *args], check=True, stdout=subprocess.DEVNULL)


def vtk_read(path):
    reader = vtk.vtkXMLUnstructuredGridReader()
    reader.SetFileName(path)
    reader.Update()
    grid = reader.GetOutput()
    assert grid.GetNumberOfPoints() > 0, f"{path}: VTK read no points"
    return grid


def arrays(data):
    return {data.GetArrayName(i): vtk_to_numpy(data.GetArray(i)) for i in range(data.GetNumberOfArrays())}


part = os.path.join(scratch, "part.nqb")
fiber = os.path.join(scratch, "fiber.k7t")
run("generate", "ribbed-plate", part, fiber, "--cells", "3000", "--type", "mixed")
run("extract", part, fiber, "--out", os.path.join(scratch, "binary"), "--csv", "gz")
run("extract", part, fiber, "--out", os.path.join(scratch, "ascii"), "--ascii-vtu")

# The compressed CSV reads as it is, by its name, to the same table as the plain one.
packed_csv = np.loadtxt(os.path.join(scratch, "binary", "profiles.csv.gz"), delimiter=",", skiprows=1)
plain_csv = np.loadtxt(os.path.join(scratch, "ascii", "profiles.csv"), delimiter=",", skiprows=1)
assert packed_csv.shape == plain_csv.shape and packed_csv.shape[0] > 0
assert np.array_equal(packed_csv, plain_csv, equal_nan=True), "profiles.csv.gz differs from profiles.csv"

for name in ("profiles.vtu", "profiles-rays.vtu"):
    packed = vtk_read(os.path.join(scratch, "binary", name))
    text = vtk_read(os.path.join(scratch, "ascii", name))
    assert packed.GetNumberOfCells() == text.GetNumberOfCells() > 0, name
    a, b = arrays(packed.GetPointData()), arrays(text.GetPointData())
    assert a.keys() == b.keys(), name
    for key in ("wall", "tensor", "eigenvalues", "principal", "thickness"):
        assert key in a, f"{name}: no point field {key}"
        assert np.allclose(a[key], b[key], rtol=1e-8, atol=1e-12), f"{name}: {key} differs"
    tensor, values = a["tensor"], a["eigenvalues"]
    assert tensor.shape[1] == 6 and values.shape[1] == 3
    # The eigenvalues sum to the trace.
    assert np.allclose(values.sum(axis=1), tensor[:, :3].sum(axis=1), atol=1e-9), name
    field = arrays(packed.GetFieldData())
    assert bytes(field["mesh"].astype(np.uint8)).decode() == part, name
    assert bytes(field["length_unit"].astype(np.uint8)).decode() == "mm", name

    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        mesh = meshio.read(os.path.join(scratch, "binary", name))
    assert len(mesh.points) == packed.GetNumberOfPoints(), name
    assert np.allclose(mesh.point_data["tensor"], a["tensor"]), name
    if name == "profiles-rays.vtu":
        lines = sum(len(block.data) for block in mesh.cells if block.type == "line")
        assert lines == packed.GetNumberOfCells(), "meshio lost rays"

# numpy's own archive against the CSV of the same tensors.
info = subprocess.run([qvr, "info", part], check=True, capture_output=True, text=True).stdout
count = int(re.search(r"^cells\s+(\d+)", info, re.MULTILINE).group(1))
rng = np.random.default_rng(3)
tensors = rng.random((count, 6)).astype(np.float32).astype(np.float64)
ids = np.arange(count, 0, -1)
np.savez_compressed(os.path.join(scratch, "t.npz"), tensors=tensors[::-1], ids=ids)
np.save(os.path.join(scratch, "t.npy"), tensors)
with open(os.path.join(scratch, "t.csv"), "w") as out:
    out.write("cell,a11,a22,a33,a12,a23,a13\n")
    for c in range(count):
        out.write(f"{c + 1}," + ",".join(repr(float(v)) for v in tensors[c]) + "\n")
images = []
for source in ("t.csv", "t.npz", "t.npy"):
    target = os.path.join(scratch, source + ".k7t")
    run("import-results", part, os.path.join(scratch, source), target)
    with open(target, "rb") as f:
        images.append(f.read())
assert images[0] == images[1] == images[2], "CSV, npz and npy give different result files"
print("VTK and meshio read every file; numpy's npz and npy import as the CSV does")
