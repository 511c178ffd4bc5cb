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
    std::printf("consumer ok\n");
    return 0;
}
