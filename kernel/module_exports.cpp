#include "QVROptKer.h"

QVROPTKER_API int nQVROptKer = 0;

QVROPTKER_API int fnQVROptKer() { return 42; }

#if defined(_WIN32)
#include <windows.h>
// The load-time entry point has nothing to set up.
BOOL APIENTRY DllMain(HMODULE, DWORD, LPVOID) { return TRUE; }
#endif
