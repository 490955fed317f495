// The lexers of the file types: what the editor window colours a text with.
// Apart from FileTypes.cpp, which the plug-in's entry needs without the
// editing component.
#include "FileTypes.h"

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
