"""Shared fixtures: small generated parts (with their fibre results) made by the qvr host."""
import os
import subprocess

import pytest


def _env(name):
    value = os.environ.get(name)
    if not value:
        pytest.skip(f"{name} is not set (run the tests through ctest)")
    return value


@pytest.fixture(scope="session")
def qvr_exe():
    return _env("QVR_EXE")


@pytest.fixture(scope="session")
def gmsh_dir():
    return os.path.join(_env("QVR_TEST_DATA_DIR"), "gmsh")


@pytest.fixture(scope="session")
def make_part(qvr_exe, tmp_path_factory):
    """make_part(kind, *options) -> (mesh path, result path), generated once per argument set."""
    made = {}

    def make(kind, *options):
        key = (kind,) + options
        if key not in made:
            folder = tmp_path_factory.mktemp("part")
            mesh, result = str(folder / "part.nqb"), str(folder / "part.k7t")
            subprocess.run([qvr_exe, "generate", kind, mesh, result, *options], check=True,
                           capture_output=True)
            made[key] = (mesh, result)
        return made[key]

    return make


# Parts that between them hold every cell kind, a cut-out, ribs, a curved wall and a unit other
# than millimetres.
PARTS = [
    ("ribbed-plate", "--type", "mixed", "--nx", "8", "--ny", "4", "--nz", "2", "--hole"),
    ("plate", "--type", "tet", "--nx", "4", "--ny", "3", "--nz", "2", "--binary"),
    ("tube", "--type", "prism", "--n-theta", "10", "--n-wall", "2", "--n-z", "2",
     "--unit", "cm"),
]
