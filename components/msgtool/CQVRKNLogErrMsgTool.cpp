#include "CQVRKNLogErrMsgTool.h"

namespace {

// Null texts are treated as empty: a message call must never take the host down.
const char* orEmpty(const char* s) { return s ? s : ""; }

void writeLine(const char* text, const char* detail, std::ostream& out) {
    out << orEmpty(text);
    if (*orEmpty(detail) != '\0') out << ' ' << detail;
    out << '\n';
}

}  // namespace

bool CQVRKNLogErrMsgTool::printLogStringContent(const char* text, const char* detail,
                                                std::ostream& out) {
    writeLine(text, detail, out);
    return static_cast<bool>(out);
}

bool CQVRKNLogErrMsgTool::printGeneralMessage(const char* text, const char* detail,
                                              std::ostream& out) {
    writeLine(text, detail, out);
    return static_cast<bool>(out);
}

bool CQVRKNLogErrMsgTool::printErrorMessageContent(int code, const char* text, const char* detail1,
                                                   const char* detail2, const char* detail3,
                                                   std::ostream& out) {
    out << "Error " << code << ": " << orEmpty(text);
    for (const char* d : {detail1, detail2, detail3}) {
        if (*orEmpty(d) != '\0') out << ' ' << d;
    }
    out << std::endl;
    return static_cast<bool>(out);
}
