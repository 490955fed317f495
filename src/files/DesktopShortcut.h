#pragma once
// Shortcuts to documents on the user's desktop, and the targets of shortcut
// files the user opens (see platform/ShellLinks.h for the file formats).
#include <QString>

class QWidget;

// Puts a shortcut to the document fileName on the desktop, named after the
// file and replacing an older one of that name, then tells the user in a
// message box. Returns the shortcut's path. A shortcut that cannot be written
// raises std::runtime_error, which reaches the kernel's report.
QString SendToDesktop(QWidget* owner, const QString& fileName);

// The file a shortcut file leads to; empty when it cannot be resolved.
QString ShortcutTarget(const QString& linkFile);
