#!/usr/bin/env bash
# Installs the Debian packages the build, tools, tests and benchmarks need, when missing.
set -euo pipefail
source "$(dirname "$0")/packages.sh"

packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libboost-dev libexpat1-dev nlohmann-json3-dev zlib1g-dev libembree-dev)
# clang-tidy: scripts/clang-tidy-core.sh, run by CI on the library core.
packages+=(clang-tidy)
# The Python package and its tests and example (for the system python3).
packages+=(python3-dev pybind11-dev python3-numpy python3-pytest python3-meshio python3-matplotlib
           python3-gmsh)
install_missing_packages "${packages[@]}"
