// Placeholder until the mesh reader lands: every file fails to open.
#include "NQBIO_Manipulator.h"
struct NQBIO_Manipulator::Impl {};
int NQBIO_GetPackageVersion() { return 11002; }
NQBIO_Manipulator::NQBIO_Manipulator() : nMaxNodes(0), nMaxElemPlastic(0), nMaxElemSurface(0) {}
NQBIO_Manipulator::~NQBIO_Manipulator() = default;
int NQBIO_Manipulator::getFileFormat(const char*, NQBIO_FileFormat& f) { f = NQBIO_FORMAT_UNKNOWN; return -1; }
int NQBIO_Manipulator::beginReading(const char*, const char*, int) { return 0; }
const char* NQBIO_Manipulator::getHeaderUnitString() const { return ""; }
int NQBIO_Manipulator::readNodeBlockEntry(float&, float&, float&) { return -1; }
int NQBIO_Manipulator::readElementPlasticBlockEntry(int&, int*, int&, int&, float&) { return -1; }
int NQBIO_Manipulator::readElementSurfaceBlockEntry(int*, int&, int&, int&, int&, int&) { return -1; }
int NQBIO_Manipulator::endReading() { return 1; }
const char* NQBIO_Manipulator::getLastError() const { return ""; }
