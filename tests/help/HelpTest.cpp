// The help as the program ships it: every host function described, every link
// of the manual leading somewhere, every example of the reference running as
// written, and the viewer finding pages by contents, search and script word.
#include "help/HelpContents.h"
#include "help/HelpReference.h"
#include "help/HelpViewer.h"
#include "kernel/Settings.h"
#include "platform/Shell.h"
#include "script/ScriptValues.h"
#include "scripting/HostFunctions.h"
#include "tools/ExternalTools.h"

#include "TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace qx::help;

namespace {

const QString kBin = QStringLiteral(QX_BIN_DIR);
const QString kHelpFile = kBin + QStringLiteral("/Qxrel32.hlp");

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList helpPages()
{
    QStringList pages;
    QDirIterator it(kBin + QStringLiteral("/Help"), {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        pages << it.next();
    pages.sort();
    return pages;
}

// "" when the target (a page, optionally with "#anchor") exists, else why not.
QString checkTarget(const QString& fromFolder, const QString& target)
{
    QString page = target, anchor;
    const int hash = target.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        page = target.left(hash);
        anchor = target.mid(hash + 1);
    }
    const QString path = page.isEmpty() ? QString() : QDir::cleanPath(fromFolder + QLatin1Char('/') + page);
    if (!path.isEmpty() && !QFileInfo(path).isFile())
        return QStringLiteral("missing page");
    if (!anchor.isEmpty() && !path.isEmpty() && !HtmlAnchors(readFile(path)).contains(anchor))
        return QStringLiteral("missing anchor");
    return {};
}

QString unescapeHtml(QString text)
{
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
    text.replace(QStringLiteral("&#39;"), QStringLiteral("'"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

} // namespace

TEST(HelpReference, EveryHostFunctionHasADescription)
{
    const THostFunctionDocs docs = ParseHostFunctionDocs(readFile(QStringLiteral(QX_DOC_DIR "/reference/hostfunctions.txt")));
    EXPECT_TRUE(docs.Errors.isEmpty()) << docs.Errors.join(QLatin1Char('\n')).toStdString();
    const TDocCoverage coverage = CheckHostFunctionDocs(qx::host::HostFunctionSignatures(), docs);
    EXPECT_TRUE(coverage.Undescribed.isEmpty()) << "no description: " << coverage.Undescribed.join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(coverage.Unknown.isEmpty()) << "not host functions: " << coverage.Unknown.join(QStringLiteral(", ")).toStdString();

    // Each function has its page, and the check notices a function left out.
    for (const std::string& s : qx::host::HostFunctionSignatures())
        EXPECT_TRUE(QFileInfo::exists(kBin + QStringLiteral("/Help/funkce/") + QString::fromStdString(qx::SignatureNameOf(s, 0))
            + QStringLiteral(".html"))) << s;
    THostFunctionDocs fewer = docs;
    fewer.Functions.removeIf([](const THostFunctionDoc& d) { return d.Name == QLatin1String("AskUser"); });
    EXPECT_EQ(CheckHostFunctionDocs(qx::host::HostFunctionSignatures(), fewer).Undescribed, QStringList{"AskUser"});
}

TEST(HelpReference, DeclarationsReadAsScriptsWriteThem)
{
    const struct {
        const char* signature;
        const char* declaration;
    } cases[] = {
        {"14 AskUser Question 8", "function AskUser(Question: STRING): BOOLEAN;"},
        {"0 Halt", "procedure Halt;"},
        {"0 GetVersionEx !Major  6 !Minor 6 !Release 6", "procedure GetVersionEx(var Major: INTEGER; var Minor: INTEGER; var Release: INTEGER);"},
        {"14 EnumPluginEntryIDs PluginID 8 !PluginEntryIDs 16", "function EnumPluginEntryIDs(PluginID: STRING; var PluginEntryIDs: ARRAY): BOOLEAN;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SignatureDeclaration(c.signature), QString::fromUtf8(c.declaration));
}

TEST(HelpManual, ContentsAndLinksLeadToExistingPages)
{
    const THelpContents contents = ReadHelpContents(kHelpFile);
    EXPECT_TRUE(contents.Errors.isEmpty()) << contents.Errors.join(QLatin1Char('\n')).toStdString();
    const auto entries = FlattenContents(contents.Entries);
    ASSERT_GT(entries.size(), 150);
    for (const THelpEntry* e : entries)
        EXPECT_EQ(checkTarget(kBin, e->Page), QString()) << "contents: " << e->Title.toStdString() << " = " << e->Page.toStdString();

    const QStringList pages = helpPages();
    ASSERT_GT(pages.size(), 150);
    int links = 0;
    QStringList reachable;
    for (const QString& page : pages) {
        const QString html = readFile(page);
        EXPECT_FALSE(HtmlTitle(html).isEmpty()) << page.toStdString() << " has no title";
        for (const QString& link : HtmlLinks(html)) {
            if (link.startsWith(QLatin1String("http://")) || link.startsWith(QLatin1String("https://"))
                || link.startsWith(QLatin1String("mailto:")))
                continue;
            ++links;
            EXPECT_EQ(checkTarget(QFileInfo(page).absolutePath(), link), QString())
                << page.toStdString() << " -> " << link.toStdString();
            if (!link.startsWith(QLatin1Char('#')))
                reachable << QFileInfo(QFileInfo(page).absolutePath() + QLatin1Char('/') + link.section(QLatin1Char('#'), 0, 0)).canonicalFilePath();
        }
    }
    EXPECT_GT(links, 300);
    // No page is an orphan: each is named by the contents or linked from another page.
    for (const THelpEntry* e : entries)
        reachable << QFileInfo(kBin + QLatin1Char('/') + e->Page.section(QLatin1Char('#'), 0, 0)).canonicalFilePath();
    for (const QString& page : pages)
        EXPECT_TRUE(reachable.contains(QFileInfo(page).canonicalFilePath())) << page.toStdString() << " is linked from nowhere";
}

TEST(HelpManual, ReferenceExamplesRunAsShown)
{
    static const QRegularExpression example(QStringLiteral("<pre class=\"priklad\">(.*?)</pre>\\s*(?:<p>[^<]*</p>\\s*)?<pre class=\"vystup\">(.*?)</pre>"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression anyExample(QStringLiteral("<pre class=\"priklad\">"));
    QTemporaryDir dir;
    int run = 0;
    for (const QString& page : helpPages()) {
        const QString html = readFile(page);
        int found = 0;
        for (auto it = example.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            ++found;
            // Run as the pages show it, "qxscript priklad.qx" in the file's
            // folder: an error names the file so.
            ++run;
            QFile f(dir.filePath(QStringLiteral("priklad.qx")));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(unescapeHtml(m.captured(1)).toUtf8());
            f.close();
            QProcess qxscript;
            qxscript.setWorkingDirectory(dir.path());
            qxscript.start(QStringLiteral(QX_QXSCRIPT), {QStringLiteral("priklad.qx")});
            ASSERT_TRUE(qxscript.waitForFinished(10000));
            const QString output = QString::fromUtf8(qxscript.readAllStandardOutput()).trimmed();
            EXPECT_EQ(output, unescapeHtml(m.captured(2)).trimmed())
                << QFileInfo(page).fileName().toStdString() << ", example " << found << ":\n" << unescapeHtml(m.captured(1)).toStdString();
        }
        // An example without its output block would not be checked at all.
        EXPECT_EQ(found, int(html.count(anyExample))) << page.toStdString() << ": example without an output";
    }
    EXPECT_GE(run, 15);
}

TEST(HelpContentsFile, BadLinesAreReportedAndSkipped)
{
    const THelpContents c = ParseHelpContents(QStringLiteral(
        "# poznámka\nA = a.html\n  A1 = a1.html\n      too deep = x.html\nno separator\n   odd = y.html\nB = b.html#k\n"));
    ASSERT_EQ(c.Entries.size(), 2);
    EXPECT_EQ(c.Entries[0].Children.size(), 1);
    EXPECT_EQ(c.Entries[1].Page, QStringLiteral("b.html#k"));
    EXPECT_EQ(c.Errors.size(), 3);
    EXPECT_TRUE(c.Errors[0].startsWith(QLatin1String("line 4:")));
}

class HelpViewerTest : public ::testing::Test {
protected:
    qxtest::ScopedHome home;
    std::string oldProgramDir = GetProgramDirectory();
    void SetUp() override { SetProgramDirectory(kBin.toStdString()); }
    void TearDown() override
    {
        delete THelpViewerForm::Instance();
        SetProgramDirectory(oldProgramDir);
    }
    static QString shownPage() { return QFileInfo(THelpViewerForm::Instance()->Source().toLocalFile()).fileName(); }
};

TEST_F(HelpViewerTest, HelpFileOpensTheViewerAtTheContents)
{
    // As the frame's Obsah command hands it over: the path in double quotes.
    ASSERT_TRUE(ExecuteFile(QLatin1Char('"') + kHelpFile + QLatin1Char('"'), true));
    THelpViewerForm* viewer = THelpViewerForm::Instance();
    ASSERT_TRUE(viewer);
    EXPECT_EQ(shownPage(), QStringLiteral("index.html"));
    EXPECT_TRUE(viewer->windowTitle().startsWith(QStringLiteral("Nápověda")));
    EXPECT_GT(viewer->ContentsTree()->topLevelItemCount(), 10);

    // Links, back and forward.
    viewer->ShowUrl(QUrl::fromLocalFile(kBin + QStringLiteral("/Help/jazyk.html")));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Nápověda - Jazyk skriptů"));
    viewer->Browser()->backward();
    EXPECT_EQ(shownPage(), QStringLiteral("index.html"));
    viewer->Browser()->forward();
    EXPECT_EQ(shownPage(), QStringLiteral("jazyk.html"));

    // A help file that is missing is not taken for one.
    EXPECT_FALSE(IsHelpFile(kBin + QStringLiteral("/Chybi.hlp")));
    EXPECT_FALSE(ShowHelpFile(kBin + QStringLiteral("/Chybi.hlp")));
}

TEST_F(HelpViewerTest, ScriptWordsOpenTheirPages)
{
    const struct {
        const char* topic;
        const char* page;
        const char* anchor;
    } cases[] = {
        {"askuser", "AskUser.html", ""},          // a host function, any letter case
        {"Menu_FileOpen", "Menu_FileOpen.html", ""},
        {"StrGet", "vestavene.html", "STRGET"},   // a built-in routine
        {"while", "jazyk.html", "WHILE"},         // a keyword
        {"", "index.html", ""},                   // no word: the start page
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ShowHelpTopic(QString::fromUtf8(c.topic))) << c.topic;
        EXPECT_EQ(shownPage(), QString::fromUtf8(c.page)) << c.topic;
        EXPECT_EQ(THelpViewerForm::Instance()->Source().fragment(), QString::fromUtf8(c.anchor)) << c.topic;
    }
}

TEST_F(HelpViewerTest, SearchFindsPagesWithEveryWord)
{
    ASSERT_TRUE(ShowHelpFile(kHelpFile));
    THelpViewerForm* viewer = THelpViewerForm::Instance();
    // Diacritics and letter case do not matter; all words must occur.
    EXPECT_GT(viewer->Search(QStringLiteral("ZALOHOVANI")), 0);
    const QString first = viewer->SearchResults()->item(0)->text();
    EXPECT_EQ(shownPage().isEmpty(), false);
    EXPECT_FALSE(viewer->Browser()->extraSelections().isEmpty());
    EXPECT_EQ(first, QStringLiteral("Automatické zálohování"));
    EXPECT_EQ(viewer->Search(QStringLiteral("zálohování nesmyslslovo")), 0);

    // A word no page names leads to the search results for it.
    ASSERT_TRUE(ShowHelpTopic(QStringLiteral("EnumFiles2")));
    EXPECT_EQ(viewer->SearchResults()->count(), 0);
    ASSERT_TRUE(ShowHelpTopic(QStringLiteral("notepad.rtf")));
    EXPECT_GT(viewer->SearchResults()->count(), 0);
}

// The web page command: without a browser the user is told the address
// instead of nothing happening.
TEST(WebPage, FailureIsReportedOnlyWhenNoBrowserStarted)
{
    QTemporaryDir dir;
    const QByteArray oldPath = qgetenv("PATH");
    const struct {
        const char* opener;   // body of the stand-in xdg-open; null: none on PATH
        bool failed;
    } cases[] = {
        {"exit 0", false},   // a browser started
        {"exit 3", true},    // xdg-open found no browser
        {nullptr, true},     // no opener at all
    };
    for (const auto& c : cases) {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        if (c.opener) {
            QFile script(dir.filePath(QStringLiteral("xdg-open")));
            ASSERT_TRUE(script.open(QIODevice::WriteOnly));
            script.write(QByteArray("#!/bin/sh\n") + c.opener + "\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", dir.path().toLocal8Bit());
        int failures = 0;
        qx::OpenWebPage(QUrl(QStringLiteral("https://quorvix.example.org/")), [&] { ++failures; });
        // Long enough for the stand-in to end and its result to arrive.
        for (int i = 0; i < 20; ++i)
            QTest::qWait(25);
        EXPECT_EQ(failures, c.failed ? 1 : 0) << (c.opener ? c.opener : "no opener");
    }
    qputenv("PATH", oldPath);
}
