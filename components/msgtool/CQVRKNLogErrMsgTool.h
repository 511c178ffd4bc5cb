// Message tool: the three static print members through which the kernel reports progress and
// errors. Each writes its text to the stream it is given and never fails.
#ifndef CQVRKNLOGERRMSGTOOL_H
#define CQVRKNLOGERRMSGTOOL_H

#include <ostream>

class CQVRKNLogErrMsgTool {
public:
    // Writes the text and, when not empty, the detail, then a line end.
    static bool printLogStringContent(const char* text, const char* detail, std::ostream& out);
    // Same layout as a log line; kept separate because the suite files them apart.
    static bool printGeneralMessage(const char* text, const char* detail, std::ostream& out);
    // "Error <code>: <text>" followed by any non-empty details, then a line end.
    static bool printErrorMessageContent(int code, const char* text, const char* detail1,
                                         const char* detail2, const char* detail3,
                                         std::ostream& out);
};

#endif
