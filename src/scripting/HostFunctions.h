#pragma once
// The host functions scripts call. The signatures live in one table in
// registration order (HostFunctionTable.cpp); each concern file supplies the
// functions for its names, and BuildHostFunctions joins the two.
//
// Every function runs on the GUI thread while the script's worker waits. A
// function reads its arguments by position and stores its results with the
// value rules (a cell of another type keeps its zeroed value). Functions that
// touch files report failure through their result.
#include "script/ThreadedScript.h"

#include <QString>
#include <QStringList>

#include <string>
#include <unordered_map>
#include <vector>

class QDialog;
class QWidget;
class TQX_PluginWindow;

namespace qx::host {

using HostFunction = TScriptHostFunctions::Function;
// Functions by their mixed-case name, as the table writes it.
using HostFunctionMap = std::unordered_map<std::string, HostFunction>;

// The registration strings in registration order: what the host function list
// shows and GetScriptTokens hands out.
const std::vector<std::string>& HostFunctionSignatures();

// The menu command functions: the script's name ("Menu_FileOpen") and the
// frame action it runs ("Action_FileOpen"), in registration order.
struct MenuCommand {
    const char* function;
    const char* action;
};
const std::vector<MenuCommand>& MenuCommands();

// Dialogs and messages.
void AddDialogFunctions(HostFunctionMap& map);
// Status bar, files, program and settings.
void AddFileFunctions(HostFunctionMap& map);
// Document windows, plug-ins and the documents list.
void AddWindowFunctions(HostFunctionMap& map);
// Projects and workspaces.
void AddProjectFunctions(HostFunctionMap& map);
// Script registry values, run control, small functions and menu commands.
void AddControlFunctions(HostFunctionMap& map);

// The table in registration order. Throws std::logic_error when a signature
// has no function or a function no signature (a programming error).
TScriptHostFunctions BuildHostFunctions();

// Helpers shared by the concern files -----------------------------------------

inline QString ArgText(const TScriptHostCall& c, int i) { return QString::fromStdString(c.Text(i)); }
// The texts of an ARRAY argument (elements that are not texts give empty texts).
QStringList ArrayTexts(TQXVariant* array);
// Sizes a var ARRAY to the list and stores the texts (or integers) into it.
void StoreTexts(TQXVariant* array, const QStringList& texts);
void StoreIntegers(TQXVariant* array, const std::vector<int32_t>& values);
inline void StoreText(TQXVariant* cell, const QString& text) { StoreString(cell, text.toStdString()); }

// The owner for dialogs a host function shows: the frame's main window, or
// null without a frame. Such dialogs are modal to the frame only, so the
// progress window's abort button stays usable while they are open.
QWidget* DialogOwner();
// Runs a dialog modally in that way and returns its result.
int ExecHostDialog(QDialog& dialog);

// File name parts: the extension with its dot (empty without one), the name
// after the last '/', and the folder up to and including it.
QString ExtractFileExt(const QString& path);
QString ExtractFileName(const QString& path);
QString ExtractFilePath(const QString& path);

// Document window handles: a number per window, given on first sight and
// never reused in the process (scripts keep them between calls).
int32_t WindowHandle(TQX_PluginWindow* window);
// The document window with that handle, or null.
TQX_PluginWindow* WindowOfHandle(int32_t handle);

} // namespace qx::host
