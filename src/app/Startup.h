#pragma once
// The program entry's steps: module initialization, the version stamp, the
// command line and the start of the message loop.
class QApplication;

// Names the application object, sets the shell font and installs the Czech
// translations. Sets no display name, so window titles stay exactly as given.
void PrepareApplication(QApplication& app);

// The whole program: returns the process exit code when the message loop ends.
int RunQuorvix(int argc, char** argv);
