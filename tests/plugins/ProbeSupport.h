#pragma once
// Installing the libraries built for tests (the probe plug-in and the broken
// fixtures of build/tests/plugins) into a test's plug-in folder, and reading
// back what a probe received. Usable by any test that needs real plug-ins
// (link qxprobesupport).
#include <string>
#include <vector>

// Copies a library built for the tests (file name in build/tests/plugins) to
// dir/name as a new file (never overwriting one a loaded library may still
// map); returns the new path.
std::string InstallLibrary(const std::string& built, const std::string& dir, const std::string& name);
// Copies the probe to dir/name with the given behaviour file (see
// probe/ProbePlugin.cpp for its lines).
std::string InstallProbe(const std::string& dir, const std::string& name, const std::string& behaviour);
// What the probe at path received, one line per event.
std::vector<std::string> ProbeLog(const std::string& path);
// Only its message lines, without the thread: "QXM_ATTACH", "QXM_QUERY_ENTRY 0"...
std::vector<std::string> ProbeMessages(const std::string& path);
