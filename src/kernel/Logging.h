#pragma once
// The event log: every line of the run stays in memory; while logging is
// enabled the log file holds the whole run after every event.
#include <string>
#include <vector>

// Creates the in-memory log with its four header lines and switches logging on.
// commandLine is the process command line, program path included.
void InitEventLog(const std::string& commandLine);
// Releases the in-memory log (module finalization).
void FinalizeEventLog();

// Appends "time message" and, when logging is enabled, brings the log file up
// to date. Safe to call from several threads; file errors are swallowed.
void LogEvent(const std::string& message);

// Every line of the run, header included.
std::vector<std::string> GetEventLogLines();

bool IsEventLogEnabled();
void SetEventLogEnabled(bool enabled);

// Local time as hours, minutes and seconds ("9:05:07").
std::string FormatLogTime();
