// Placeholder until the ray and surface geometry land.
#include "QVROptKer.h"
#include "kernel/mesh_tables.h"

const int* CQVROptKer::FindPassElemByAnyRay(int& count, double, double, double, double, double, double, int) {
    count = 0;
    return qvr::emptySearchList();
}
void CQVROptKer::ACrossB(double&, double&, double&, double&, double&, double&, double&, double&, double&) {}
void CQVROptKer::shellSorting(unsigned long, double*, int*) {}
int CQVROptKer::ComputeNodeSurfaceNormal(double*, double*, double*) { return 1; }
int CQVROptKer::SmoothSurfaceNodeValue(double*, int) { return 1; }
