#pragma once
// Destroying a window whose own code may be waiting in a nested event loop.
//
// A question a document window asks (QMessageBox::exec, a dialog's exec, a
// menu's exec) runs a nested loop, and the host serves scripts' calls inside
// any loop: a script may close that very window while its question is open.
// Destroyed there, the window would take the question (often an object on
// the stack of the window's own code) with it, and that code would go on in
// freed memory when the loop returns.
#include <QWidget>

// Deletes the (hidden) widget once nothing of it is running any more. A
// modal dialog or menu that belongs to it (has it among its parents) is
// ended at once, as if cancelled; the widget itself is then deleted only
// after the event loop the call came from has returned, so the code that
// asked the question finishes on a whole widget. Without such a question the
// widget goes as deleteLater() does.
void DeleteWhenItsLoopsEnd(QWidget* widget);

// Takes the watcher's event filters off all its descendants. A widget that
// watches its own children calls it in its destructor: the children are
// destroyed by QWidget's destructor, after the watcher's own parts, and
// still get events then (the pointer leaving).
void StopWatchingChildren(QObject* watcher);

// Ends the modal dialogs and menus that belong to the widget; whether any
// was open.
bool EndQuestionsOf(QWidget* widget);
