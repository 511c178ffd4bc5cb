// Progress messages of the kernel's search and geometry members.
#ifndef QVR_KERNEL_PROGRESS_LOG_H
#define QVR_KERNEL_PROGRESS_LOG_H

#include <iostream>

#include "CQVRKNLogErrMsgTool.h"

namespace qvr {

// Progress appears from this print level on.
constexpr int kProgressPrintLevel = 1;

inline bool progressEnabled(int printLevel) { return printLevel >= kProgressPrintLevel; }

// Sends `text` to the message tool on standard output when the level asks for progress.
inline void logProgress(int printLevel, const char* text) {
    if (progressEnabled(printLevel)) {
        CQVRKNLogErrMsgTool::printLogStringContent(text, "", std::cout);
    }
}

}  // namespace qvr

#endif
