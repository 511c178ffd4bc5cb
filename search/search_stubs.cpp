// Placeholder until the tree and the search set-up land; every query answers "nothing".
#include "QVROptKer.h"
#include "kernel/mesh_tables.h"
#include "search/CQvrADT.h"

CQvrADT::~CQvrADT() = default;
int CQVROptKer::InitialzeSearch(int) { return 1; }
int CQVROptKer::SetADTreeRange(double, double, double, double, double, double, int, int, int) { return 1; }
int CQVROptKer::AddSurfaceToADTree(int, double, double, double, double, double, double) { return 1; }
const int* CQVROptKer::SearchNearBlockID(double, double, double, double, double, double, int& count, int) {
    count = 0;
    return qvr::emptySearchList();
}
