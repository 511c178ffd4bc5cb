// A host built against the installed package, as C++17.
#include <cstdio>

#include "QVROptKer.h"
#if __has_include("QVR3DExtractTool.h")
#include "QVR3DExtractTool.h"
#endif

int main() {
    CQVROptKer kernel;
    if (fnQVROptKer() != 42 || kernel.MinMesh != 0.1 || kernel.m_nNode != 0) return 1;
    char name[] = "no-such-file.nqb";
    if (kernel.ReadMeshData(name, 0) != 3301) return 1;
    // A mesh handed in as arrays: one tetrahedron, its skin derived.
    const double xyz[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const int tet[] = {0, 1, 2, 3};
    const QVRIndexBlock cells{4, 1, tet};
    if (kernel.SetMeshArrays(4, xyz, 1, &cells, 0, nullptr, "mm", 0) != QVR_ARRAYS_OK ||
        kernel.m_nSurface != 4)
        return 1;
    std::printf("consumer ok\n");
    return 0;
}
