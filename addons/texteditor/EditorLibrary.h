#pragma once
// The editor windows live in a library of their own beside the plug-in's
// entry, loaded when the first window is made: the editing component and the
// print support behind it cost a start that opens no text nothing. These are
// what the entry looks up in it.
#include "QX_Types.h"

// The library, in the folder "texteditor" beside the plug-in's entry, loaded
// by its absolute path (the entry's run path names that folder too, for a
// copy of the entry made without it).
inline constexpr const char* kEditorLibraryFile = "qxtexteditor_window.so";

// A new window: 0 the text editor's, 1 the script editor's.
inline constexpr const char* kEditorNewWindowSymbol = "QXTextEditorNewWindow";
using TEditorNewWindowProc = TQX_PluginWindow* (*)(int kind);
// Undoes what the library registered with Qt, before it is unloaded.
inline constexpr const char* kEditorReleaseSymbol = "QXTextEditorRelease";
using TEditorReleaseProc = void (*)();
