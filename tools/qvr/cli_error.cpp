#include "cli_error.h"

namespace qvr::cli {

void failFile(const std::string& message) { throw CliError(ExitCode::FileError, message); }

void failUsage(const std::string& message) { throw CliError(ExitCode::Usage, message); }

void failLibrary(const std::string& call, int code, const std::string& context) {
    std::string text = call + " failed with code " + std::to_string(code);
    if (!context.empty()) text += " (" + context + ")";
    throw CliError(ExitCode::LibraryError, text);
}

}  // namespace qvr::cli
