// The record classes copy member-wise and own nothing: the arrays behind their pointers
// belong to the table that holds the record.
#include "QVROptKer.h"

Cnode::Cnode() : x(0.0), y(0.0), z(0.0), orgID(0) {}
Cnode::~Cnode() = default;
Cnode& Cnode::operator=(const Cnode& other) = default;
void Cnode::copy(Cnode& other) { *this = other; }

CFaceElem::CFaceElem()
    : nNode(0), pNode(nullptr), xMin(0.0), yMin(0.0), zMin(0.0), xMax(0.0), yMax(0.0), zMax(0.0),
      zMid(0.0), xc(0.0), yc(0.0), zc(0.0), ax(0.0), ay(0.0), az(0.0) {}
CFaceElem::~CFaceElem() = default;
CFaceElem& CFaceElem::operator=(const CFaceElem& other) = default;
void CFaceElem::copy(CFaceElem& other) { *this = other; }

CInnerCell::CInnerCell()
    : nNode(0), pNode(nullptr), xMin(0.0), yMin(0.0), zMin(0.0), xMax(0.0), yMax(0.0), zMax(0.0),
      zMid(0.0), xc(0.0), yc(0.0), zc(0.0) {}
CInnerCell::~CInnerCell() = default;
CInnerCell& CInnerCell::operator=(const CInnerCell& other) = default;
void CInnerCell::copy(CInnerCell& other) { *this = other; }

CRayData::CRayData()
    : nPoint(0), dx(0.0), dy(0.0), dz(0.0), pX(nullptr), pY(nullptr), pZ(nullptr), pDist(nullptr),
      pCellID(nullptr) {}
CRayData::~CRayData() = default;
CRayData& CRayData::operator=(const CRayData& other) = default;
void CRayData::copy(CRayData& other) { *this = other; }
