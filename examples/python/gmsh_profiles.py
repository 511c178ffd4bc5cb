#!/usr/bin/env python3
"""Mesh a plate with Gmsh's Python API, extract the through-thickness fibre profiles at its
skin nodes with qvroptker, and save a figure of them.

    python3 gmsh_profiles.py [--size MM] [--out FIGURE.png] [--no-gmsh]

The fibre field is made up for the example: a "skin-shell-core" structure in which a11 is high
near both faces and low in the middle of the plate. Without Gmsh (or with --no-gmsh) the plate
is meshed as a grid of hexahedra in numpy instead, so the rest of the script still runs.
"""
import argparse

import numpy as np

import qvroptker as q

LX, LY, THICKNESS = 40.0, 20.0, 2.0


def mesh_with_gmsh(size):
    import gmsh
    gmsh.initialize()
    try:
        gmsh.option.setNumber("General.Terminal", 0)
        gmsh.model.occ.addBox(0, 0, 0, LX, LY, THICKNESS)
        gmsh.model.occ.synchronize()
        gmsh.option.setNumber("Mesh.MeshSizeMax", size)
        gmsh.model.mesh.generate(3)
        tags, xyz, _ = gmsh.model.mesh.getNodes()
        position = np.zeros(int(tags.max()) + 1, dtype=np.int64)
        position[tags.astype(np.int64)] = np.arange(len(tags))
        types, _, node_tags = gmsh.model.mesh.getElements(3)
        # Gmsh's linear tetrahedra share the mesh file's node order.
        cells = {"tetra": position[node_tags[list(types).index(4)].astype(np.int64)].reshape(-1, 4)}
        return q.Mesh(xyz.reshape(-1, 3), cells)
    finally:
        gmsh.finalize()


def mesh_as_grid(size):
    nx, ny, nz = (max(1, int(round(length / size))) for length in (LX, LY, THICKNESS))
    nz = max(nz, 4)  # enough layers for a through-thickness profile
    x, y, z = np.meshgrid(np.linspace(0, LX, nx + 1), np.linspace(0, LY, ny + 1),
                          np.linspace(0, THICKNESS, nz + 1), indexing="ij")
    nodes = np.column_stack([x.ravel(), y.ravel(), z.ravel()])
    index = np.arange(len(nodes)).reshape(nx + 1, ny + 1, nz + 1)
    i, j, k = (a.ravel() for a in np.meshgrid(np.arange(nx), np.arange(ny), np.arange(nz),
                                              indexing="ij"))
    corners = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (0, 0, 1), (1, 0, 1), (1, 1, 1),
               (0, 1, 1)]
    hexes = np.column_stack([index[i + a, j + b, k + c] for a, b, c in corners])
    return q.Mesh(nodes, {"hexahedron": hexes})


def skin_shell_core(mesh):
    """Per-cell tensors (a11 a22 a33 a12 a23 a13) from the height of each cell's centroid."""
    nodes = mesh.nodes.astype(np.float64)
    centroid_z = np.concatenate([nodes[cells].mean(axis=1)[:, 2] for _, cells in mesh.cell_blocks])
    distance = np.abs(2.0 * centroid_z / THICKNESS - 1.0)  # 0 mid-plane, 1 at either face
    a11 = 0.25 + 0.5 / (1.0 + np.exp(-(distance - 0.55) / 0.08))
    a33 = np.full_like(a11, 0.04)
    return q.Results(np.column_stack([a11, 1.0 - a11 - a33, a33, np.zeros_like(a11),
                                      np.full_like(a11, 0.005), np.zeros_like(a11)]))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size", type=float, default=1.0, help="element size, mm")
    parser.add_argument("--out", default="profiles.png", help="figure file")
    parser.add_argument("--no-gmsh", action="store_true", help="mesh a hexahedral grid instead")
    args = parser.parse_args(argv)

    mesher = "numpy grid"
    if args.no_gmsh:
        mesh = mesh_as_grid(args.size)
    else:
        try:
            mesh = mesh_with_gmsh(args.size)
            mesher = "Gmsh"
        except ImportError:
            print("Gmsh's Python API is not installed: meshing a hexahedral grid instead")
            mesh = mesh_as_grid(args.size)
    print(f"{mesher}: {mesh}")

    tool = q.ExtractTool(mesh, skin_shell_core(mesh))
    profiles = tool.profiles(layers=11)
    # Nodes inside the top face: at the rim the normal leans outward and the ray runs slanted.
    x, y, z = mesh.nodes[profiles.node].T
    top = (z > 0.99 * THICKNESS) & (x > 0) & (x < LX) & (y > 0) & (y < LY)
    crossed = ~profiles.no_crossing & top
    print(f"{len(profiles.node)} skin nodes, {np.count_nonzero(crossed)} inside the top face "
          f"with a profile, median thickness {np.median(profiles.thickness[crossed]):.4f} mm")

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fraction = profiles.depth[crossed] / profiles.thickness[crossed, None]
    figure, axes = plt.subplots(figsize=(6, 4))
    for component, name in enumerate(["a11", "a22", "a33"]):
        mean = profiles.values[crossed, :, component].mean(axis=0)
        axes.plot(fraction.mean(axis=0), mean, marker="o", label=name)
    axes.set_xlabel("depth / thickness")
    axes.set_ylabel("fibre orientation")
    axes.set_title(f"Mean profile over {np.count_nonzero(crossed)} top-face nodes ({mesher})")
    axes.legend()
    figure.tight_layout()
    figure.savefig(args.out)
    print(f"wrote {args.out}")
    return profiles, crossed


if __name__ == "__main__":
    main()
