// Reads a whole file into memory with a few large reads.
#ifndef QVR_CLI_WHOLE_FILE_H
#define QVR_CLI_WHOLE_FILE_H

#include <string>

namespace qvr::cli {

// False with the system's reason ("No such file or directory", ...) in `error`.
bool readWholeFile(const std::string& path, std::string& data, std::string& error);

}  // namespace qvr::cli

#endif
