#!/usr/bin/env bash
# Installs the Debian packages the build, tools, tests and benchmarks need, when missing.
set -euo pipefail
source "$(dirname "$0")/packages.sh"

packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libboost-dev libexpat1-dev nlohmann-json3-dev zlib1g-dev libembree-dev)
# gmsh: meshes the CAD-like parts of the benchmarks (bench/cad); the test of their scripts
# needs it too. Beside python3-gmsh's library it is a small program of its own.
packages+=(gmsh)
# clang-tidy: scripts/clang-tidy-core.sh, run by CI on the library core.
packages+=(clang-tidy)
# The Python package and its tests and example (for the system python3).
packages+=(python3-dev pybind11-dev python3-numpy python3-pytest python3-meshio python3-matplotlib
           python3-gmsh)
# VTK's own reader for the check that every VTU file qvr writes opens in it
# (tests/tools/qvr/read_outputs.py). On top of the packages above it brings 88 more (OpenMPI and
# Qt among them): 58 MB to download, 265 MB unpacked; on the development machine they took
# 1.3 s to download and 4.5 s to unpack.
packages+=(python3-vtk9)
install_missing_packages "${packages[@]}"
