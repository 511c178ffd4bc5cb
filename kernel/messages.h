// The one route by which the core's messages leave it: every line the kernel, the search, the
// skin operations and the extraction tool write goes through these functions, to standard
// output, in the order of the calls. Line layouts are the message tool's; values are formatted
// as printf formats them.
#ifndef QVR_KERNEL_MESSAGES_H
#define QVR_KERNEL_MESSAGES_H

namespace qvr::msg {

// Progress appears from this print level on. Default 1: level 0, a fresh kernel's, is silent.
inline constexpr int kProgressPrintLevel = 1;

inline bool progressEnabled(int printLevel) { return printLevel >= kProgressPrintLevel; }

// A log line when the level asks for progress.
void progress(int printLevel, const char* text);
// One or three values in a printf format, the text exactly as printf formats it (no line end
// added), when the level asks for progress.
void progressValues(int printLevel, const char* format, double value);
void progressValues(int printLevel, const char* format, double x, double y, double z);
// A log line whatever the level.
void log(const char* text);
// A general message line whatever the level.
void general(const char* text);
// "Error <code>: <text>" and a line end, flushed.
void error(int code, const char* text);
// The text and a line end, flushed: the extraction tool's own lines.
void line(const char* text);

}  // namespace qvr::msg

#endif
