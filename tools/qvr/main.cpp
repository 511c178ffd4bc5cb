// qvr: the command-line host of the QVROptKer library.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "cli_support.h"
#include "commands.h"
#include "common/output_file.h"

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// windows.h first: shellapi.h needs its declarations (a blank line keeps the order).
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

#if defined(_WIN32)
// The arguments in UTF-8, the encoding the library and the file code take names in: the narrow
// argv of a Windows program is in the ANSI code page, which cannot hold most non-ASCII names.
std::vector<std::string> utf8Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return arguments;
    for (int i = 0; i < count; ++i) {
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(bytes > 0 ? static_cast<std::size_t>(bytes) : 1u, '\0');
        if (bytes > 0)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), bytes, nullptr, nullptr);
        text.pop_back();  // the terminating NUL
        arguments.push_back(std::move(text));
    }
    LocalFree(wide);
    return arguments;
}
#endif

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    using qvr::cli::ExitCode;
    CLI::App app{
        "qvr: through-thickness fibre-orientation profiles at the skin of a moulded "
        "part, with the QVROptKer library"};
    app.set_version_flag("--version", std::string("qvr ") + QVR_VERSION);
    app.require_subcommand(1);
    // Ctrl-C removes the temporary files of the outputs being written; the files under their
    // final names stay as they were.
    qvr::common::removeTemporaryFilesOnInterrupt();
    qvr::cli::addDemoCommand(app);
    qvr::cli::addExtractCommand(app);
    qvr::cli::addGenerateCommand(app);
    qvr::cli::addImportCommand(app);
    qvr::cli::addImportResultsCommand(app);
    qvr::cli::addInfoCommand(app);
    qvr::cli::addConvertCommand(app);
#if defined(_WIN32)
    std::vector<std::string> utf8 = utf8Arguments();
    std::vector<char*> utf8Pointers;
    for (std::string& argument : utf8) utf8Pointers.push_back(argument.data());
    if (!utf8Pointers.empty()) {
        argc = static_cast<int>(utf8Pointers.size());
        argv = utf8Pointers.data();
    }
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        // CLI11 checks required arguments and option values before it looks at the words it
        // could not place, but a mistyped option or command is what explains those failures:
        // it is named first, as other command lines do.
        const std::vector<std::string> unknown = app.remaining(true);
        const std::string text = unknown.empty() ? e.what() : CLI::ExtrasError(unknown).what();
        std::fprintf(stderr, "qvr: %s (try --help)\n", oneLine(text).c_str());
        return static_cast<int>(ExitCode::Usage);
    } catch (const qvr::cli::CliError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "qvr: %s\n", oneLine(e.what()).c_str());
        return static_cast<int>(e.code());
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fprintf(stderr, "qvr: out of memory\n");
        return static_cast<int>(ExitCode::FileError);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "qvr: %s\n", oneLine(e.what()).c_str());
        return static_cast<int>(ExitCode::FileError);
    }
    return static_cast<int>(ExitCode::Ok);
}
