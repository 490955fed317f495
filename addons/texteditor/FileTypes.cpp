#include "FileTypes.h"

#include "TextFileFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>

#include <Qsci/qscilexerbash.h>
#include <Qsci/qscilexerbatch.h>
#include <Qsci/qscilexercmake.h>
#include <Qsci/qscilexercpp.h>
#include <Qsci/qscilexercsharp.h>
#include <Qsci/qscilexercss.h>
#include <Qsci/qscilexerdiff.h>
#include <Qsci/qscilexerhtml.h>
#include <Qsci/qscilexerjava.h>
#include <Qsci/qscilexerjavascript.h>
#include <Qsci/qscilexerjson.h>
#include <Qsci/qscilexerlua.h>
#include <Qsci/qscilexermakefile.h>
#include <Qsci/qscilexermarkdown.h>
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qscilexerperl.h>
#include <Qsci/qscilexerproperties.h>
#include <Qsci/qscilexerpython.h>
#include <Qsci/qscilexerruby.h>
#include <Qsci/qscilexersql.h>
#include <Qsci/qscilexertex.h>
#include <Qsci/qscilexerxml.h>
#include <Qsci/qscilexeryaml.h>

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

QsciLexer* CreateLexer(const QString& id, QObject* parent)
{
    // Folding of comments and preprocessor blocks where the lexer offers it;
    // "compact" folding off, so that a fold ends at its last line of code.
    using Make = QsciLexer* (*)(QObject*);
    static const std::map<QString, Make> makers {
        {QStringLiteral("cpp"), [](QObject* p) -> QsciLexer* {
             auto* l = new QsciLexerCPP(p);
             l->setFoldComments(true);
             l->setFoldCompact(false);
             l->setFoldPreprocessor(true);
             l->setHighlightEscapeSequences(true);
             return l;
         }},
        {QStringLiteral("pascal"), [](QObject* p) -> QsciLexer* {
             auto* l = new QsciLexerPascal(p);
             l->setFoldComments(true);
             l->setFoldCompact(false);
             return l;
         }},
        {QStringLiteral("python"), [](QObject* p) -> QsciLexer* {
             auto* l = new QsciLexerPython(p);
             l->setFoldComments(true);
             l->setFoldCompact(false);
             l->setFoldQuotes(true);
             return l;
         }},
        {QStringLiteral("shell"), [](QObject* p) -> QsciLexer* {
             auto* l = new QsciLexerBash(p);
             l->setFoldComments(true);
             l->setFoldCompact(false);
             return l;
         }},
        {QStringLiteral("html"), [](QObject* p) -> QsciLexer* {
             auto* l = new QsciLexerHTML(p);
             l->setFoldCompact(false);
             l->setFoldPreprocessor(true);
             return l;
         }},
        {QStringLiteral("xml"), [](QObject* p) -> QsciLexer* {
             auto* l = new QsciLexerXML(p);
             l->setFoldCompact(false);
             return l;
         }},
        {QStringLiteral("javascript"), [](QObject* p) -> QsciLexer* {
             auto* l = new QsciLexerJavaScript(p);
             l->setFoldComments(true);
             l->setFoldCompact(false);
             return l;
         }},
        {QStringLiteral("ini"), [](QObject* p) -> QsciLexer* {
             auto* l = new QsciLexerProperties(p);
             l->setFoldCompact(false);
             return l;
         }},
        {QStringLiteral("css"), [](QObject* p) -> QsciLexer* { return new QsciLexerCSS(p); }},
        {QStringLiteral("json"), [](QObject* p) -> QsciLexer* { return new QsciLexerJSON(p); }},
        {QStringLiteral("sql"), [](QObject* p) -> QsciLexer* { return new QsciLexerSQL(p); }},
        {QStringLiteral("makefile"), [](QObject* p) -> QsciLexer* { return new QsciLexerMakefile(p); }},
        {QStringLiteral("cmake"), [](QObject* p) -> QsciLexer* { return new QsciLexerCMake(p); }},
        {QStringLiteral("markdown"), [](QObject* p) -> QsciLexer* { return new QsciLexerMarkdown(p); }},
        {QStringLiteral("diff"), [](QObject* p) -> QsciLexer* { return new QsciLexerDiff(p); }},
        {QStringLiteral("java"), [](QObject* p) -> QsciLexer* { return new QsciLexerJava(p); }},
        {QStringLiteral("csharp"), [](QObject* p) -> QsciLexer* { return new QsciLexerCSharp(p); }},
        {QStringLiteral("lua"), [](QObject* p) -> QsciLexer* { return new QsciLexerLua(p); }},
        {QStringLiteral("perl"), [](QObject* p) -> QsciLexer* { return new QsciLexerPerl(p); }},
        {QStringLiteral("ruby"), [](QObject* p) -> QsciLexer* { return new QsciLexerRuby(p); }},
        {QStringLiteral("yaml"), [](QObject* p) -> QsciLexer* { return new QsciLexerYAML(p); }},
        {QStringLiteral("batch"), [](QObject* p) -> QsciLexer* { return new QsciLexerBatch(p); }},
        {QStringLiteral("tex"), [](QObject* p) -> QsciLexer* { return new QsciLexerTeX(p); }},
    };
    const auto it = makers.find(id);
    return it == makers.end() ? nullptr : it->second(parent);
}

const QStringList& LanguageKeywords(const QString& languageId)
{
    // Keyword lists (numbered from 1) that are not words of the language's
    // code: Doxygen commands of the C family, VBScript and Python in HTML,
    // documentation words, SQL*Plus abbreviations and package routines.
    static const std::map<QString, QList<int>> otherLists {
        {QStringLiteral("cpp"), {3}},
        {QStringLiteral("html"), {3, 4}},
        {QStringLiteral("sql"), {3, 4, 5}},
    };
    static std::map<QString, QStringList> known;
    const auto found = known.find(languageId);
    if (found != known.end())
        return found->second;
    QStringList words;
    if (QsciLexer* lexer = CreateLexer(languageId, nullptr)) {
        const auto other = otherLists.find(languageId);
        for (int list = 1; list <= 9; ++list) {
            if (other != otherLists.end() && other->second.contains(list))
                continue;
            if (const char* text = lexer->keywords(list))
                words += QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
        }
        delete lexer;
    }
    words.removeDuplicates();
    return known[languageId] = words;
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
