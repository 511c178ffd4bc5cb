#include "kernel/messages.h"

#include <cstdio>
#include <iostream>
#include <string>

#include "CQVRKNLogErrMsgTool.h"

namespace qvr::msg {

void progress(int printLevel, const char* text) {
    if (progressEnabled(printLevel))
        CQVRKNLogErrMsgTool::printLogStringContent(text, "", std::cout);
}

namespace {

// The text printf would write for these arguments, sized by a first dry run.
template <typename... Values>
void writeFormatted(const char* format, Values... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    if (length <= 0) return;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, values...);
    text.pop_back();
    std::cout << text;
}

}  // namespace

void progressValues(int printLevel, const char* format, double value) {
    if (progressEnabled(printLevel)) writeFormatted(format, value);
}

void progressValues(int printLevel, const char* format, double x, double y, double z) {
    if (progressEnabled(printLevel)) writeFormatted(format, x, y, z);
}

void log(const char* text) { CQVRKNLogErrMsgTool::printLogStringContent(text, "", std::cout); }

void general(const char* text) { CQVRKNLogErrMsgTool::printGeneralMessage(text, "", std::cout); }

void error(int code, const char* text) {
    CQVRKNLogErrMsgTool::printErrorMessageContent(code, text, "", "", "", std::cout);
}

void line(const char* text) { std::cout << text << std::endl; }

}  // namespace qvr::msg
