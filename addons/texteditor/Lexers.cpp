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

namespace {

// Folding of comments where the lexer offers it; "compact" folding off, so
// that a fold ends at its last line of code.
template <class L>
L* folding(QObject* parent)
{
    auto* l = new L(parent);
    if constexpr (requires { l->setFoldComments(true); })
        l->setFoldComments(true);
    l->setFoldCompact(false);
    return l;
}

template <class L>
QsciLexer* make(QObject* parent)
{
    return new L(parent);
}

} // namespace

QsciLexer* CreateLexer(const QString& id, QObject* parent)
{
    using Make = QsciLexer* (*)(QObject*);
    static const std::map<QString, Make> makers {
        {QStringLiteral("cpp"), [](QObject* p) -> QsciLexer* {
             auto* l = folding<QsciLexerCPP>(p);
             l->setFoldPreprocessor(true);
             l->setHighlightEscapeSequences(true);
             return l;
         }},
        {QStringLiteral("pascal"), [](QObject* p) -> QsciLexer* { return folding<QsciLexerPascal>(p); }},
        {QStringLiteral("python"), [](QObject* p) -> QsciLexer* {
             auto* l = folding<QsciLexerPython>(p);
             l->setFoldQuotes(true);
             return l;
         }},
        {QStringLiteral("shell"), [](QObject* p) -> QsciLexer* { return folding<QsciLexerBash>(p); }},
        {QStringLiteral("html"), [](QObject* p) -> QsciLexer* {
             auto* l = folding<QsciLexerHTML>(p);
             l->setFoldPreprocessor(true);
             return l;
         }},
        {QStringLiteral("xml"), [](QObject* p) -> QsciLexer* { return folding<QsciLexerXML>(p); }},
        {QStringLiteral("javascript"), [](QObject* p) -> QsciLexer* { return folding<QsciLexerJavaScript>(p); }},
        {QStringLiteral("ini"), [](QObject* p) -> QsciLexer* { return folding<QsciLexerProperties>(p); }},
        {QStringLiteral("css"), make<QsciLexerCSS>},
        {QStringLiteral("json"), make<QsciLexerJSON>},
        {QStringLiteral("sql"), make<QsciLexerSQL>},
        {QStringLiteral("makefile"), make<QsciLexerMakefile>},
        {QStringLiteral("cmake"), make<QsciLexerCMake>},
        {QStringLiteral("markdown"), make<QsciLexerMarkdown>},
        {QStringLiteral("diff"), make<QsciLexerDiff>},
        {QStringLiteral("java"), make<QsciLexerJava>},
        {QStringLiteral("csharp"), make<QsciLexerCSharp>},
        {QStringLiteral("lua"), make<QsciLexerLua>},
        {QStringLiteral("perl"), make<QsciLexerPerl>},
        {QStringLiteral("ruby"), make<QsciLexerRuby>},
        {QStringLiteral("yaml"), make<QsciLexerYAML>},
        {QStringLiteral("batch"), make<QsciLexerBatch>},
        {QStringLiteral("tex"), make<QsciLexerTeX>},
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
