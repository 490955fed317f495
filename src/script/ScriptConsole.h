#pragma once
// Console stand-ins for the simple host functions, for running scripts
// without the program (qxscript, tests): ShowMessage prints its text as one
// line, Halt stops the run, Inc, Dec, Random, Randomize, LowerCase and Sleep
// behave as in the program. Signatures as in the host function list.
#include <ostream>

#include "script/ThreadedScript.h"

namespace qx {

// out receives ShowMessage's lines; it must outlive the table.
TScriptHostFunctions ConsoleHostFunctions(std::ostream& out);

// A value as the runner prints it: integers in decimal, reals with up to 18
// significant digits, texts as they are, TRUE/FALSE, arrays as [a, b, c].
std::string FormatScriptValue(const TQXVariant* cell);

}  // namespace qx
