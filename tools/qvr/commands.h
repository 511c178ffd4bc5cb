// The subcommands of qvr. Each add function registers its subcommand with its options and a
// callback that runs it; the callbacks report failures by throwing CliError.
#ifndef QVR_CLI_COMMANDS_H
#define QVR_CLI_COMMANDS_H

namespace CLI {
class App;
}

namespace qvr::cli {

void addDemoCommand(CLI::App& app);
void addExtractCommand(CLI::App& app);
void addGenerateCommand(CLI::App& app);
void addImportCommand(CLI::App& app);
void addImportResultsCommand(CLI::App& app);
void addInfoCommand(CLI::App& app);
void addConvertCommand(CLI::App& app);

// The --threads option of the commands that trace rays (extract, demo): threads SetSurfaceNode
// traces on, 0 (the default) for every hardware thread.
void addThreadsOption(CLI::App& cmd, int& threads);

}  // namespace qvr::cli

#endif
