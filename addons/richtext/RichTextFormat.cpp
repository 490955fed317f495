#include "RichTextFormat.h"

#include <QBuffer>
#include <QFileInfo>
#include <QStringConverter>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentWriter>
#include <QTextList>

namespace {

struct TExtension {
    const char* Suffix;
    TRichFormat Format;
};

constexpr TExtension kExtensions[] = {
    {"html", TRichFormat::Html}, {"htm", TRichFormat::Html}, {"xhtml", TRichFormat::Html},
    {"md", TRichFormat::Markdown}, {"markdown", TRichFormat::Markdown}, {"mkd", TRichFormat::Markdown},
    {"odt", TRichFormat::Odt},
};

} // namespace

TRichFormat FormatOfName(const QString& fileName, bool* ok)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (const TExtension& e : kExtensions) {
        if (suffix == QLatin1String(e.Suffix)) {
            if (ok)
                *ok = true;
            return e.Format;
        }
    }
    if (ok)
        *ok = false;
    return TRichFormat::Html;
}

QString FormatName(TRichFormat format)
{
    switch (format) {
    case TRichFormat::Markdown:
        return QStringLiteral("Markdown");
    case TRichFormat::Odt:
        return QStringLiteral("OpenDocument");
    case TRichFormat::Html:
        break;
    }
    return QStringLiteral("HTML");
}

bool CanRead(TRichFormat format)
{
    return format != TRichFormat::Odt;
}

uint8_t RichTextCanOpen(const QString& fileName)
{
    bool known = false;
    const TRichFormat format = FormatOfName(fileName, &known);
    if (!known || !CanRead(format) || QFileInfo(fileName).isDir())
        return 0;
    return 1;
}

QString RichTextOpenFilter()
{
    return QStringLiteral("Formátovaný text (HTML, Markdown)|*.html;*.htm;*.xhtml;*.md;*.markdown;*.mkd");
}

QString SaveFilter(TRichFormat format)
{
    switch (format) {
    case TRichFormat::Markdown:
        return QStringLiteral("Markdown (*.md *.markdown)");
    case TRichFormat::Odt:
        return QStringLiteral("Text OpenDocument (*.odt)");
    case TRichFormat::Html:
        break;
    }
    return QStringLiteral("Stránka HTML (*.html *.htm)");
}

TLoadResult LoadDocument(QTextDocument* document, const QByteArray& bytes, TRichFormat format)
{
    TLoadResult result;
    if (!CanRead(format)) {
        result.Error = QStringLiteral("Formát %1 editor umí jen ukládat, ne číst.").arg(FormatName(format));
        return result;
    }
    QStringDecoder decoder(QStringConverter::Utf8);
    if (format == TRichFormat::Html) {
        // The page's own declaration, through the system's converters (any
        // code page, not only the Unicode ones).
        QStringDecoder declared = QStringDecoder::decoderForHtml(bytes);
        if (declared.isValid())
            decoder = std::move(declared);
    }
    const QString text = decoder.decode(bytes);
    result.Lossy = decoder.hasError();
    if (format == TRichFormat::Markdown)
        document->setMarkdown(text, QTextDocument::MarkdownDialectGitHub);
    else
        document->setHtml(text);
    result.Ok = true;
    return result;
}

QByteArray SaveDocument(const QTextDocument* document, TRichFormat format, QString* error)
{
    switch (format) {
    case TRichFormat::Html:
        return document->toHtml().toUtf8();
    case TRichFormat::Markdown: {
        // One line end at the end of the file, as it was read.
        QByteArray text = document->toMarkdown(QTextDocument::MarkdownDialectGitHub).toUtf8();
        while (text.endsWith("\n\n"))
            text.chop(1);
        return text;
    }
    case TRichFormat::Odt: {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QTextDocumentWriter writer(&buffer, "odf");
        if (!writer.write(document)) {
            if (error)
                *error = QStringLiteral("Dokument nelze převést do formátu OpenDocument.");
            return {};
        }
        return bytes;
    }
    }
    return {};
}

QString MarkdownLosses(const QTextDocument* document)
{
    bool underline = false, foreground = false, background = false, alignment = false, indent = false;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat bf = block.blockFormat();
        const Qt::Alignment horizontal = bf.alignment() & Qt::AlignHorizontal_Mask;
        alignment = alignment || (bf.hasProperty(QTextFormat::BlockAlignment) && horizontal != Qt::AlignLeft &&
                                     horizontal != Qt::AlignLeading && horizontal != (Qt::AlignLeft | Qt::AlignAbsolute));
        indent = indent || (!block.textList() && bf.indent() > 0);
        background = background || bf.hasProperty(QTextFormat::BackgroundBrush);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat cf = it.fragment().charFormat();
            underline = underline || (cf.fontUnderline() && !cf.isAnchor());
            foreground = foreground || (cf.hasProperty(QTextFormat::ForegroundBrush) && !cf.isAnchor());
            background = background || cf.hasProperty(QTextFormat::BackgroundBrush);
        }
    }
    QStringList losses;
    if (underline)
        losses << QStringLiteral("podtržení");
    if (foreground)
        losses << QStringLiteral("barva textu");
    if (background)
        losses << QStringLiteral("barva pozadí");
    if (alignment)
        losses << QStringLiteral("zarovnání odstavců");
    if (indent)
        losses << QStringLiteral("odsazení odstavců");
    return losses.join(QStringLiteral(", "));
}
