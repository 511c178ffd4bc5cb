// A minimal host: loads a mesh file and prints what the kernel holds.
#include <cstdio>
#include <string>

#include "QVROptKer.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MESH.nqb\n", argv[0]);
        return 2;
    }
    std::string path = argv[1];
    CQVROptKer kernel;
    const int rc = kernel.ReadMeshData(path.data(), 0);
    if (rc != 1) {
        std::fprintf(stderr, "%s: cannot load (code %d)\n", argv[1], rc);
        return 1;
    }
    std::printf("nodes %d (of %d in file), solid cells %d, skin faces %d, volume %.6g mm^3\n",
                kernel.m_nNode, kernel.m_nNodeInFile, kernel.m_nInnerCell, kernel.m_nSurface,
                kernel.TotalVolume);
    kernel.InitialzeSearch(1);
    std::printf("box (%g %g %g)-(%g %g %g), average thickness %g mm, MinMesh %g mm\n",
                kernel.Box_xMin, kernel.Box_yMin, kernel.Box_zMin, kernel.Box_xMax, kernel.Box_yMax,
                kernel.Box_zMax, kernel.AverageThickness, kernel.MinMesh);
    return 0;
}
