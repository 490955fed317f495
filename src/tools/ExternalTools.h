#pragma once
// Running programs and documents given as a command text: the operation
// behind external tools, help contents and the script function ExecuteFile.
#include <QString>

// Splits text into program and parameters ("\"program\" parameters" or the
// whole text as program).
void SplitCommandText(const QString& text, QString& program, QString& parameters);

// The failure message for a command text: the command without the quotes
// around its program, an empty line and the system's error text.
QString ExecuteFileFailureText(const QString& text, const QString& systemError);

// Starts the program or opens the document; on failure shows a message box
// (unless silent) and returns false.
bool ExecuteFile(const QString& text, bool silent);
