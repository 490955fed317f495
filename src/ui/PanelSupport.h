#pragma once
// The common parts of the dockable results panels (tool output, find in
// files): a status line with flat buttons above the view.
#include <QString>

class QDockWidget;
class QLabel;
class QToolButton;
class QWidget;

// A flat button with its theme icon beside the text; objectName may be null.
QToolButton* NewPanelButton(QWidget* parent, const char* objectName, const QString& text, const QString& hint,
    const char* icon);
// The status and the stop and clear buttons in a row above the view, all in
// body, which becomes the panel's widget.
void LayOutResultsPanel(QDockWidget* panel, QWidget* body, QLabel* status, QToolButton* stop, QToolButton* clear,
    QWidget* view);
