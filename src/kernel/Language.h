#pragma once
// The program speaks Czech whatever the system's language: Qt's own Czech
// translations (file dialogs, input boxes, the edit fields' menus) when they
// are installed, and under them the program's own texts for the standard
// buttons, so that every message box, input box and file dialog, the host's
// and the plug-ins', reads "&Ano", "&Ne", "&Storno", "&OK" even where no
// translation file is installed (and the few file-dialog words Qt's Czech
// translation lacks).
#include <QString>

class QApplication;

// Installs the translators on the application object and makes Czech the
// default locale. translationsDir is where Qt's translation files are looked
// for; empty means Qt's own installation folder. True when Qt's Czech
// translation was found and loaded (the button texts are installed anyway).
bool InstallCzechTranslations(QApplication& app, const QString& translationsDir = {});

// The Czech text of a standard button's English text as Qt names it
// ("&Yes", "Cancel", "Save All"...), or an empty string for a text that is
// not a standard button's. Accelerator marks of the English text do not count.
QString CzechStandardButtonText(const QString& english);
