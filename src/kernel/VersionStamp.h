#pragma once
// The installed version: its text and its stamp in the registry.
#include <string>

// "2.0.1"
std::string InstalledVersionText();
// Writes the version as the default value of the registry root; a failure is
// a kernel warning. True when the stamp was written.
bool StampInstalledVersion();
