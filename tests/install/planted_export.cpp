// One exported function more than the public headers declare: the export-table check must refuse
// a DLL built with it.
#include "QVROptKerExport.h"

QVROPTKER_API int qvrPlantedExport() { return 1; }
