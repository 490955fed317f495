#include "RichTextFormat.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <filesystem>

TEST(RichTextFormat, WhichFilesItClaims)
{
    qxtest::TempDir dir;
    std::filesystem::create_directory(dir.path() / "folder.html");
    struct Case {
        std::string name;
        int answer;
    };
    const Case cases[] = {
        // The text editor stays the preferred opener of HTML and Markdown.
        {"page.html", 1}, {"PAGE.HTM", 1}, {"a.xhtml", 1}, {"notes.md", 1}, {"notes.Markdown", 1},
        // OpenDocument is written only; other files are not this editor's.
        {"letter.odt", 0}, {"main.cpp", 0}, {"README", 0}, {"folder.html", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RichTextCanOpen(QString::fromStdString(dir.file(c.name))), c.answer) << c.name;
}

TEST(RichTextFormat, MarkdownRoundTripAndItsLosses)
{
    QTextDocument document;
    ASSERT_TRUE(LoadDocument(&document, "# Nadpis\n\nText s **tučným** a *šikmým* písmem.\n\n1. jedna\n2. dvě\n",
        TRichFormat::Markdown).Ok);
    EXPECT_TRUE(MarkdownLosses(&document).isEmpty()) << MarkdownLosses(&document).toStdString();
    QString error;
    const QByteArray saved = SaveDocument(&document, TRichFormat::Markdown, &error);
    EXPECT_TRUE(saved.contains("**tučným**")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("*šikmým*")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("1.  jedna\n2.  dvě\n")) << saved.toStdString();
    EXPECT_FALSE(saved.endsWith("\n\n"));

    // Underline, colour and alignment have no Markdown: each is named.
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::NextBlock);
    cursor.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setFontUnderline(true);
    format.setForeground(Qt::red);
    cursor.mergeCharFormat(format);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);
    EXPECT_EQ(MarkdownLosses(&document).toStdString(), "podtržení, barva textu, zarovnání odstavců");
}

TEST(RichTextFormat, HtmlKeepsFormattingAndDeclaredEncoding)
{
    QTextDocument document;
    // A Latin-2 page that declares itself.
    const QByteArray page = "<html><head><meta charset=\"iso-8859-2\"></head><body><p align=\"center\">"
                            "<b>\xB9\xE8\xF8</b> <span style=\"color:#ff0000\">red</span></p></body></html>";
    const TLoadResult loaded = LoadDocument(&document, page, TRichFormat::Html);
    ASSERT_TRUE(loaded.Ok);
    EXPECT_FALSE(loaded.Lossy);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("ščř red"));
    QString error;
    QTextDocument again;
    LoadDocument(&again, SaveDocument(&document, TRichFormat::Html, &error), TRichFormat::Html);
    EXPECT_EQ(again.toPlainText(), QStringLiteral("ščř red"));
    EXPECT_EQ(again.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(again.begin().begin().fragment().charFormat().fontWeight(), QFont::Bold);

    // Bytes that are not UTF-8 in a Markdown file are reported.
    QTextDocument broken;
    EXPECT_TRUE(LoadDocument(&broken, "caf\xE9\n", TRichFormat::Markdown).Lossy);
    // OpenDocument: written as a package, never read.
    const QByteArray odt = SaveDocument(&document, TRichFormat::Odt, &error);
    EXPECT_TRUE(odt.startsWith("PK")) << error.toStdString();
    EXPECT_TRUE(odt.contains("application/vnd.oasis.opendocument.text"));
    EXPECT_FALSE(LoadDocument(&broken, odt, TRichFormat::Odt).Ok);
}
