#pragma once
// Running programs and documents given as a command text: the operation
// behind external tools, help contents and the script function ExecuteFile.
#include <QString>

// Splits text into program and parameters ("\"program\" parameters" or the
// whole text as program).
void SplitCommandText(const QString& text, QString& program, QString& parameters);

// Starts the program or opens the document; on failure shows a message box
// (unless silent) and returns false.
bool ExecuteFile(const QString& text, bool silent);
