// File names as the library and the host take them: char strings, which on Windows are read as
// UTF-8 (the system's own narrow functions would read them in the ANSI code page, where most
// non-ASCII names cannot be written at all). A name that is not valid UTF-8 is passed on as
// before, in the ANSI code page. Elsewhere the name's bytes go to the system unchanged.
#ifndef QVR_FILE_NAMES_UTF8_FILE_NAME_H
#define QVR_FILE_NAMES_UTF8_FILE_NAME_H

#include <cstdio>
#include <filesystem>
#include <string>

#if defined(_WIN32)
#include <cwchar>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace qvr_file_names {

#if defined(_WIN32)
// The UTF-16 form of a valid UTF-8 name; false for anything else.
inline bool widenUtf8(const char* name, std::wstring& wide) {
    const int length = static_cast<int>(std::char_traits<char>::length(name));
    if (length == 0) {
        wide.clear();
        return true;
    }
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, length, nullptr, 0);
    if (units <= 0) return false;
    wide.assign(static_cast<std::size_t>(units), L'\0');
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, length, wide.data(), units) ==
           units;
}
#endif

inline std::filesystem::path pathFromName(const char* name) {
#if defined(_WIN32)
    std::wstring wide;
    if (widenUtf8(name, wide)) return std::filesystem::path(wide);
#endif
    return std::filesystem::path(name);
}

inline std::FILE* openFile(const char* name, const char* mode) {
#if defined(_WIN32)
    std::wstring wide, wideMode;
    if (widenUtf8(name, wide) && widenUtf8(mode, wideMode))
        return _wfopen(wide.c_str(), wideMode.c_str());
#endif
    return std::fopen(name, mode);
}

inline int removeFile(const char* name) {
#if defined(_WIN32)
    std::wstring wide;
    if (widenUtf8(name, wide)) return _wremove(wide.c_str());
#endif
    return std::remove(name);
}

}  // namespace qvr_file_names

#endif
