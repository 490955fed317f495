#pragma once
// The help file and the pages it names. The help file ("Qxrel32.hlp" in the
// program's directory) is a UTF-8 text file holding the contents tree: one
// entry per line, "Title = page", indented by two blanks per level, pages
// relative to the help file's folder; lines starting with "#" and blank lines
// are comments. The pages are HTML files that any browser or grep can read.
//
// THelpIndex reads every page below the help file's folder once and answers
// full-text searches and topic look-ups (a script word such as a host
// function, a keyword or a built-in routine) without a browser.
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace qx::help {

// The folder of the generated host-function pages, one page per function
// named after it ("funkce/AskUser.html").
inline constexpr const char* kFunctionFolder = "funkce";

struct THelpEntry {
    QString Title;
    QString Page;                // relative to the help file's folder, may end with "#anchor"
    QList<THelpEntry> Children;
};

struct THelpContents {
    QList<THelpEntry> Entries;   // the top level
    QStringList Errors;          // "line N: ..." for lines that could not be read
};

// Reads the contents tree from the help file's text. A line indented deeper
// than one level below the previous one, or a line without " = ", is
// reported in Errors and skipped.
THelpContents ParseHelpContents(const QString& text);
// Reads the help file; an unreadable file gives an error in Errors.
THelpContents ReadHelpContents(const QString& helpFile);

// Every entry in tree order (depth first), for walking the contents.
QList<const THelpEntry*> FlattenContents(const QList<THelpEntry>& entries);

// The text of a page's <title>, or empty.
QString HtmlTitle(const QString& html);
// The page text a reader sees: tags removed, entities decoded, blanks joined.
QString HtmlPlainText(const QString& html);
// The anchors a page defines (id="..." and <a name="...">).
QStringList HtmlAnchors(const QString& html);
// The link targets of a page (href="..."), as written.
QStringList HtmlLinks(const QString& html);

struct THelpPage {
    QString Path;        // absolute file path
    QString Title;
    QString Text;        // HtmlPlainText
    QStringList Anchors;
};

struct THelpHit {
    QString Path;
    QString Title;
    int Score = 0;       // number of occurrences of the search words
};

class THelpIndex {
public:
    // Reads the help file's contents and every *.html file below its folder.
    explicit THelpIndex(const QString& helpFile);

    const QString& HelpFile() const { return helpFile_; }
    QString Folder() const;
    const THelpContents& Contents() const { return contents_; }
    const QList<THelpPage>& Pages() const { return pages_; }

    // The first page of the contents (the start page), empty without one.
    QUrl StartPage() const;
    // The URL of a contents entry's page.
    QUrl EntryUrl(const THelpEntry& entry) const;

    // Pages holding every word of the query (letter case and Czech
    // diacritics ignored), the most occurrences first, then by title.
    QList<THelpHit> Search(const QString& query) const;

    // The page of a script word: a host function's own page (file name equal
    // to the word in kFunctionFolder), else a page anchor equal to the word (keywords and
    // built-in routines carry one in upper case); letter case is ignored.
    // An empty URL when nothing names the word.
    QUrl FindTopic(const QString& word) const;

private:
    QString helpFile_;
    THelpContents contents_;
    QList<THelpPage> pages_;
};

// Folds a text for searching: lower case, diacritics removed; a character
// stays at its position.
QString FoldForSearch(const QString& text);

} // namespace qx::help
