#pragma once
// The file formats of the rich-text editor: which files it reads and
// writes, how a file becomes a document and a document a file, and what a
// format cannot keep.
#include <QByteArray>
#include <QString>

#include <cstdint>

class QTextDocument;

enum class TRichFormat {
    Html,
    Markdown,
    // OpenDocument text: written through Qt's document writer. Qt has no
    // reader for it, so such files are saved but never opened.
    Odt,
};

// The format a file name calls for; nullopt-like Html for an unknown name
// is never guessed: ok tells whether the name was recognised.
TRichFormat FormatOfName(const QString& fileName, bool* ok = nullptr);
// "HTML", "Markdown", "OpenDocument".
QString FormatName(TRichFormat format);
// Whether the editor can read files of the format.
bool CanRead(TRichFormat format);

// The answer of the entry's CanOpenFile. HTML and Markdown files are
// programmers' sources as often as documents: the text editor stays their
// preferred opener and this editor answers 1 (it can open them), so "Otevřít"
// shows them as text and the user opens them formatted by choosing this
// editor. OpenDocument files are not claimed: nothing here reads them.
uint8_t RichTextCanOpen(const QString& fileName);
// Open-dialog filter pair of the entry.
QString RichTextOpenFilter();
// Save-dialog filters, one per writable format, HTML first.
QString SaveFilter(TRichFormat format);

// The largest file the editor reads.
inline constexpr qint64 kMaxRichFileSize = qint64(64) << 20;

struct TLoadResult {
    bool Ok = false;
    // Bytes that are not valid in the file's encoding were replaced: saving
    // would change the file beyond what the user edited.
    bool Lossy = false;
    QString Error;
};

// Fills document from the file's bytes in the format. HTML is decoded by its
// own declaration (meta charset or byte order mark), UTF-8 otherwise.
TLoadResult LoadDocument(QTextDocument* document, const QByteArray& bytes, TRichFormat format);
// The file's bytes for the document; empty and an error text on failure.
QByteArray SaveDocument(const QTextDocument* document, TRichFormat format, QString* error);

// What the document holds that Markdown cannot keep (underline, colours,
// alignment, indentation outside lists), as a Czech list for the user:
// "podtržení, barva textu". Empty when Markdown keeps everything.
QString MarkdownLosses(const QTextDocument* document);
