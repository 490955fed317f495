#include "FileTypes.h"

#include "TextFileFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>

namespace {

QList<TLanguage> buildLanguages()
{
    auto words = [](const char* patterns) { return QString::fromLatin1(patterns).split(u' ', Qt::SkipEmptyParts); };
    return {
        {"cpp", "C/C++", words("*.c *.h *.cpp *.cc *.cxx *.c++ *.hpp *.hh *.hxx *.h++ *.inl *.ipp *.tcc *.ino"), "//", "/*", "*/"},
        {"pascal", "Pascal", words("*.pas *.pp *.dpr *.dpk *.lpr *.inc"), "//", "{", "}"},
        {"python", "Python", words("*.py *.pyw *.pyi SConstruct SConscript wscript"), "#"},
        {"shell", "Shell", words("*.sh *.bash *.zsh *.ksh .bashrc .bash_profile .bash_aliases .bash_logout .profile .zshrc "
                                 "PKGBUILD"), "#"},
        {"html", "HTML", words("*.html *.htm *.xhtml *.shtml *.php *.phtml"), "", "<!--", "-->"},
        {"xml", "XML", words("*.xml *.xsd *.xsl *.xslt *.svg *.ui *.qrc *.plist *.xaml *.csproj *.vcxproj *.props "
                             "*.targets *.rss *.atom *.wsdl *.kml *.gpx *.xul *.glade"), "", "<!--", "-->"},
        {"css", "CSS", words("*.css *.qss"), "", "/*", "*/"},
        {"javascript", "JavaScript", words("*.js *.mjs *.cjs *.jsx *.ts *.tsx"), "//", "/*", "*/"},
        {"json", "JSON", words("*.json *.jsonc *.json5 *.geojson")},
        {"sql", "SQL", words("*.sql *.ddl"), "--", "/*", "*/"},
        {"makefile", "Makefile", words("Makefile makefile GNUmakefile *.mk *.mak *.make"), "#"},
        {"cmake", "CMake", words("CMakeLists.txt *.cmake *.cmake.in"), "#", "#[[", "]]"},
        {"ini", "INI", words("*.ini *.cfg *.conf *.properties *.desktop *.reg *.inf *.toml .editorconfig .gitconfig "
                             ".gitmodules"), "#"},
        {"markdown", "Markdown", words("*.md *.markdown *.mkd *.mdown"), "", "<!--", "-->"},
        {"diff", "Diff", words("*.diff *.patch *.rej")},
        {"java", "Java", words("*.java"), "//", "/*", "*/"},
        {"csharp", "C#", words("*.cs"), "//", "/*", "*/"},
        {"lua", "Lua", words("*.lua"), "--", "--[[", "]]"},
        {"perl", "Perl", words("*.pl *.pm *.t"), "#"},
        {"ruby", "Ruby", words("*.rb Rakefile Gemfile"), "#"},
        {"yaml", "YAML", words("*.yml *.yaml"), "#"},
        {"batch", "Batch", words("*.bat *.cmd"), "REM"},
        {"tex", "TeX", words("*.tex *.sty *.cls *.bib"), "%"},
        {kScriptLanguageId, QStringLiteral("Skript"), words("*.qx"), "//", "{", "}"},
    };
}

// Exact names first, so that "CMakeLists.txt" is not taken for a plain
// "*.txt"; then the globs in table order.
const TLanguage* languageByName(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    if (name.isEmpty())
        return nullptr;
    for (const TLanguage& language : Languages())
        for (const QString& pattern : language.Patterns)
            if (!pattern.contains(u'*') && name.compare(pattern, Qt::CaseInsensitive) == 0)
                return &language;
    for (const TLanguage& language : Languages()) {
        for (const QString& pattern : language.Patterns) {
            if (!pattern.startsWith(u'*'))
                continue;
            const QStringView suffix = QStringView(pattern).mid(1);
            if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive))
                return &language;
        }
    }
    return nullptr;
}

// The program an interpreter line names: "#!/usr/bin/env -S python3 -u"
// gives "python3".
QString interpreterOf(const QString& firstLine)
{
    QStringList words = firstLine.mid(2).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    QString program = QFileInfo(words.takeFirst()).fileName();
    if (program == u"env") {
        while (!words.isEmpty() && words.first().startsWith(u'-'))
            words.removeFirst();
        program = words.isEmpty() ? QString() : words.first();
    }
    return program;
}

const TLanguage* languageByContent(const QByteArray& head)
{
    const QString start = QString::fromUtf8(head.left(512)).trimmed();
    const QString firstLine = start.section(u'\n', 0, 0).trimmed();
    if (firstLine.startsWith(u"#!")) {
        static const QRegularExpression shells(QStringLiteral("^(sh|bash|dash|zsh|ksh|mksh|ash)$"));
        const QString program = interpreterOf(firstLine);
        if (shells.match(program).hasMatch())
            return LanguageById(QStringLiteral("shell"));
        if (program.startsWith(u"python"))
            return LanguageById(QStringLiteral("python"));
        if (program.startsWith(u"perl"))
            return LanguageById(QStringLiteral("perl"));
        if (program.startsWith(u"ruby"))
            return LanguageById(QStringLiteral("ruby"));
        if (program.startsWith(u"lua"))
            return LanguageById(QStringLiteral("lua"));
        if (program == u"node" || program == u"nodejs")
            return LanguageById(QStringLiteral("javascript"));
        if (program == u"make")
            return LanguageById(QStringLiteral("makefile"));
        return nullptr;
    }
    if (start.startsWith(u"<?xml"))
        return LanguageById(QStringLiteral("xml"));
    if (start.startsWith(u"<!DOCTYPE html", Qt::CaseInsensitive) || start.startsWith(u"<html", Qt::CaseInsensitive))
        return LanguageById(QStringLiteral("html"));
    if (start.startsWith(u"diff --git ") || (start.startsWith(u"--- ") && start.contains(u"\n+++ ")))
        return LanguageById(QStringLiteral("diff"));
    return nullptr;
}

} // namespace

const QList<TLanguage>& Languages()
{
    static const QList<TLanguage> languages = buildLanguages();
    return languages;
}

const TLanguage* LanguageById(const QString& id)
{
    for (const TLanguage& language : Languages())
        if (language.Id == id)
            return &language;
    return nullptr;
}

const TLanguage* DetectLanguage(const QString& fileName, const QByteArray& head)
{
    if (const TLanguage* language = languageByName(fileName))
        return language;
    return languageByContent(head);
}

bool LanguageIsCaseSensitive(const QString& languageId)
{
    static const QStringList ignoringCase {QStringLiteral("pascal"), QStringLiteral("sql"), QStringLiteral("batch"),
        kScriptLanguageId};
    return !ignoringCase.contains(languageId);
}

QByteArray ReadFileHead(const QString& fileName, bool* ok)
{
    QFile file(fileName);
    const bool opened = !QFileInfo(fileName).isDir() && file.open(QIODevice::ReadOnly);
    if (ok)
        *ok = opened;
    return opened ? file.read(kTextSniffBytes) : QByteArray();
}

uint8_t TextEditorCanOpen(const QString& fileName)
{
    if (QFileInfo(fileName).isDir())
        return 0;
    if (const TLanguage* language = languageByName(fileName))
        // Scripts are text too, but their own editor is the better choice.
        return language->Id == kScriptLanguageId ? 1 : 2;
    bool readable = false;
    const QByteArray head = ReadFileHead(fileName, &readable);
    if (!readable || !LooksLikeText(head))
        return 0;
    return languageByContent(head) ? 2 : 1;
}

uint8_t ScriptEditorCanOpen(const QString& fileName)
{
    const TLanguage* language = languageByName(fileName);
    return language && language->Id == kScriptLanguageId && !QFileInfo(fileName).isDir() ? 2 : 0;
}

QString TextEditorFilter()
{
    QStringList patterns {QStringLiteral("*.txt"), QStringLiteral("*.log")};
    for (const TLanguage& language : Languages())
        if (language.Id != kScriptLanguageId)
            patterns += language.Patterns;
    return QStringLiteral("Textové soubory a zdrojové kódy|") + patterns.join(u';');
}

QString ScriptEditorFilter()
{
    return QStringLiteral("Skripty (*.qx)|*.qx");
}
