#pragma once
// The find-in-files dialog ("Hledat v souborech"): the text or regular
// expression, the file patterns, the folder and the options. What was last
// searched for is remembered in the registry (key "FindInFiles"), with the
// last texts and patterns offered again in their lists.
#include "search/FileSearch.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QPushButton;
class TDirectoryEdit;

struct TFindInFilesSettings {
    QString Text;
    QString Patterns;
    QString Folder; // the folder last searched
    bool RegularExpression = false;
    bool MatchCase = false;
    bool WholeWord = false;
    bool Subfolders = true;
    // The last texts and patterns used, newest first.
    QStringList RecentTexts;
    QStringList RecentPatterns;

    // Missing or unreadable values keep their defaults.
    static TFindInFilesSettings Load();
    // False when the registry could not be written.
    bool Save() const;
    // Puts the text and patterns at the top of their lists.
    void Remember();
};

class TFindInFilesForm : public QDialog {
    Q_OBJECT
public:
    // folder: where to search, from the active document or the project;
    // empty for the folder of the settings.
    TFindInFilesForm(const TFindInFilesSettings& settings, const QString& folder, QWidget* parent = nullptr);

    // The dialog's values, with the lists updated.
    TFindInFilesSettings Result() const;
    // The search the values describe.
    TFileSearchOptions SearchOptions() const;

    QComboBox* TextCombo = nullptr;
    QComboBox* PatternsCombo = nullptr;
    TDirectoryEdit* FolderEdit = nullptr;
    QCheckBox* RegexCheck = nullptr;
    QCheckBox* CaseCheck = nullptr;
    QCheckBox* WordCheck = nullptr;
    QCheckBox* SubfoldersCheck = nullptr;
    QPushButton* FindButton = nullptr;
    QPushButton* CancelButton = nullptr;

public slots:
    // Closes the dialog only when the search can start; otherwise says why
    // and puts the caret where the fault is.
    void accept() override;

private:
    TFindInFilesSettings settings_;
};
