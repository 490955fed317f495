#pragma once
// The program's command line: the run-time flags it sets, the files it names
// and its help text.
#include <functional>
#include <string>
#include <vector>

// Sets the run-time flags and fills the command-line file list from the
// arguments (program path excluded).
void ParseCommandLine(const std::vector<std::string>& args);
// The files named on the command line, in order.
std::vector<std::string>& GetCommandLineFiles();

// The help text: 21 lines joined by CR LF.
std::string CommandLineHelpText();
// Shows the help text in a modal message box.
void ShowCommandLineHelp();
// Tests replace the message box.
void SetCommandLineHelpPresenter(std::function<void()> presenter);
