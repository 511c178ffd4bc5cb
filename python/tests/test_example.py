"""The Gmsh example runs end to end on a coarse plate and its profiles make physical sense."""
import importlib.util
import os

import numpy as np
import pytest


def load_example():
    folder = os.environ.get("QVR_EXAMPLES_DIR")
    if not folder:
        pytest.skip("QVR_EXAMPLES_DIR is not set (run the tests through ctest)")
    module_spec = importlib.util.spec_from_file_location("gmsh_profiles",
                                                         os.path.join(folder, "gmsh_profiles.py"))
    module = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(module)
    return module


@pytest.mark.parametrize("mesher", ["gmsh", "grid"])
def test_example_profiles_and_figure(mesher, tmp_path):
    pytest.importorskip("matplotlib")
    example = load_example()
    args = ["--size", "1", "--out", str(tmp_path / "profiles.png")]
    if mesher == "gmsh":
        pytest.importorskip("gmsh")
    else:
        args.append("--no-gmsh")
    profiles, crossed = example.main(args)
    assert (tmp_path / "profiles.png").read_bytes().startswith(b"\x89PNG")
    # Straight down through a flat plate: the thickness is the plate's, and a11 is high at both
    # faces and low in the middle.
    assert crossed.any()
    np.testing.assert_allclose(profiles.thickness[crossed], example.THICKNESS, rtol=1e-5)
    a11 = profiles.values[crossed, :, 0].mean(axis=0)
    assert a11[0] > a11[5] + 0.1 and a11[-1] > a11[5] + 0.1
