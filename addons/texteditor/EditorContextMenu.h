#pragma once
// The editing commands at the top of the editor's context menu, in Czech
// whatever translations are installed: undo, redo, cut, copy, paste, delete
// and select all, each enabled exactly when it can do something.
class QMenu;
class QsciScintilla;

// A new menu (owned by the caller) with the editing commands of editor.
QMenu* CreateEditingMenu(QsciScintilla* editor);
