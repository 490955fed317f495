#pragma once
// The common parts of the host's dialogs: their look, the picture beside
// the prompt, the one-column read-only list, the file list and the OK and
// Cancel row.
#include <QString>
#include <QStringList>

class QDialog;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTreeWidget;
class QVBoxLayout;

// Object name, caption, the shell font and no help button.
void PrepareDialog(QDialog* dialog, const char* objectName, const QString& caption);
// A 48-pixel picture (a resource path) with a word-wrapped text beside it.
QHBoxLayout* NewPictureRow(QDialog* dialog, const QString& picture, const QString& text, QLabel*& image, QLabel*& label);
// A one-column list without editing that selects one item at a time.
QTreeWidget* NewSingleColumnList(QDialog* dialog);
// "&OK" (the default button) and "&Storno" (rejects the dialog), right-aligned.
QHBoxLayout* NewOkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel);
// The row above appended to a layout, OK accepting the dialog.
void AddOkCancelRow(QDialog* dialog, QVBoxLayout* layout, QPushButton*& ok, QPushButton*& cancel);
// A two-column file list: file name with its system icon, full path.
QTreeWidget* NewFileListView(QDialog* dialog);
void AddFileLine(QTreeWidget* list, const QString& path);
// Centred on the window of its owner, if it has one.
void CentreOnOwner(QDialog* dialog);
// The open dialogs' filter text ("Description|*.a;*.b|...") as name filters
// of the platform's file dialog ("Description (*.a *.b)").
QStringList OpenFilterToNameFilters(const QString& filter);
// The open dialogs' filter for every file.
QString AllFilesFilter();
