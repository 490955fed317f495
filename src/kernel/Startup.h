#pragma once
// The program entry's steps: module initialization, the version stamp, the
// command line and the start of the message loop.
#include <functional>
#include <string>
#include <vector>

class QApplication;

inline constexpr const char* kApplicationTitle = "Quorvix 2";
inline constexpr int kVersionMajor = 2, kVersionMinor = 0, kVersionRelease = 1;

// "2.0.1"
std::string InstalledVersionText();
// Writes the version as the default value of the registry root; a failure is
// a kernel warning. True when the stamp was written.
bool StampInstalledVersion();

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

// Names the application object, sets the shell font and installs the Czech
// translations. Sets no display name, so window titles stay exactly as given.
void PrepareApplication(QApplication& app);

// The whole program: returns the process exit code when the message loop ends.
int RunQuorvix(int argc, char** argv);
