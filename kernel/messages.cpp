#include "kernel/messages.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <string>

#include "CQVRKNLogErrMsgTool.h"

namespace qvr::msg {

void progress(int printLevel, const char* text) {
    if (progressEnabled(printLevel)) CQVRKNLogErrMsgTool::printLogStringContent(text, "", std::cout);
}

void progressValues(int printLevel, const char* format, ...) {
    if (!progressEnabled(printLevel)) return;
    std::va_list args;
    va_start(args, format);
    std::va_list sizing;
    va_copy(sizing, args);
    const int length = std::vsnprintf(nullptr, 0, format, sizing);
    va_end(sizing);
    if (length > 0) {
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, args);
        text.pop_back();
        std::cout << text;
    }
    va_end(args);
}

void log(const char* text) { CQVRKNLogErrMsgTool::printLogStringContent(text, "", std::cout); }

void general(const char* text) { CQVRKNLogErrMsgTool::printGeneralMessage(text, "", std::cout); }

void error(int code, const char* text) {
    CQVRKNLogErrMsgTool::printErrorMessageContent(code, text, "", "", "", std::cout);
}

void line(const char* text) { std::cout << text << std::endl; }

}  // namespace qvr::msg
