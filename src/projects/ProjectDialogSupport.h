#pragma once
// Shared look of the two project dialogs.
#include <QString>

class QDialog;
class QPushButton;
class QVBoxLayout;
class QTreeWidget;

// Dialog font, no help button, centred on its owner when shown.
void PrepareProjectDialog(QDialog* dialog, const QString& caption);
// A two-column file list: file name with its system icon, full path.
QTreeWidget* NewFileListView(QDialog* dialog);
void AddFileLine(QTreeWidget* list, const QString& path);
void CentreOnOwner(QDialog* dialog);
// The right-aligned "&OK" (default, accepts) and "&Storno" (rejects) row.
void AddOkCancelRow(QDialog* dialog, QVBoxLayout* layout, QPushButton*& ok, QPushButton*& cancel);
