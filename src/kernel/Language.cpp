#include "kernel/Language.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Qt names its standard buttons in these contexts: the generic desktop
// theme, and the GNOME theme, which has its own texts for a few of them.
const char* const kButtonContexts[] = {"QPlatformTheme", "QGnomeTheme"};

struct ButtonText {
    const char* english; // without accelerator marks
    const char* czech;
};

const ButtonText kButtonTexts[] = {
    {"OK", "&OK"},
    {"Cancel", "&Storno"},
    {"Yes", "&Ano"},
    {"No", "&Ne"},
    {"Yes to All", "Ano &všem"},
    {"No to All", "Ne v&šem"},
    {"Open", "&Otevřít"},
    {"Save", "&Uložit"},
    {"Save All", "Uložit &vše"},
    {"Close", "&Zavřít"},
    {"Close without Saving", "Zavřít &bez uložení"},
    {"Discard", "&Zahodit"},
    {"Apply", "&Použít"},
    {"Reset", "&Obnovit"},
    {"Restore Defaults", "Obnovit &výchozí"},
    {"Help", "Nápo&věda"},
    {"Abort", "&Přerušit"},
    {"Retry", "&Opakovat"},
    {"Ignore", "&Ignorovat"},
};

// Texts of the file dialogs that Qt's Czech translation lacks.
struct ContextText {
    const char* context;
    const char* english;
    const char* czech;
};

const ContextText kMissingTexts[] = {
    {"QAbstractFileIconProvider", "Folder", "Složka"},
    {"QAbstractFileIconProvider", "File", "Soubor"},
    {"QAbstractFileIconProvider", "Drive", "Disk"},
};

// Answers for the standard buttons and the texts above; every other text is
// left to the translators installed before it (Qt's own) or stays as it is.
class TStandardButtonTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        if (!context || !sourceText)
            return {};
        for (const char* known : kButtonContexts)
            if (qstrcmp(context, known) == 0)
                return CzechStandardButtonText(QString::fromUtf8(sourceText));
        for (const ContextText& t : kMissingTexts)
            if (qstrcmp(context, t.context) == 0 && qstrcmp(sourceText, t.english) == 0)
                return QString::fromUtf8(t.czech);
        return {};
    }

    bool isEmpty() const override { return false; }
};

} // namespace

QString CzechStandardButtonText(const QString& english)
{
    const QString plain = QString(english).remove(QLatin1Char('&'));
    for (const ButtonText& t : kButtonTexts)
        if (plain == QLatin1String(t.english))
            return QString::fromUtf8(t.czech);
    return {};
}

bool InstallCzechTranslations(QApplication& app, const QString& translationsDir)
{
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    QLocale::setDefault(czech);
    const QString dir = translationsDir.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : translationsDir;
    auto* qt = new QTranslator(&app);
    const bool loaded = qt->load(czech, QStringLiteral("qtbase"), QStringLiteral("_"), dir);
    if (loaded)
        app.installTranslator(qt);
    else
        delete qt;
    // Installed last, so it is asked first.
    app.installTranslator(new TStandardButtonTranslator(&app));
    return loaded;
}
