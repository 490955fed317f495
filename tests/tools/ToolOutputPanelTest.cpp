// The tool output panel runs a real program and shows what it writes, how it
// ended and which lines name a place in a file.
#include "tools/ToolOutputBuffer.h"
#include "tools/ToolOutputPanel.h"

#include "TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTabWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ToolOutput : public ::testing::Test {
protected:
    qxtest::TempDir dir;
    TToolOutputPanel panel;

    bool waitFinished(int ms = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (panel.IsRunning() && clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
        return !panel.IsRunning();
    }
    QString file(const char* name) const
    {
        const QString path = QString::fromStdString(dir.file(name));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("int main() {}\n");
        return path;
    }
};

TEST_F(ToolOutput, OutputErrorsExitCodeAndLocationsReachThePanel)
{
    const QString source = file("bad file.c");
    QSignalSpy finished(&panel, &TToolOutputPanel::Finished);
    QString error;
    // The script names the file given as one argument, as a compiler does.
    ASSERT_TRUE(panel.Run(QStringLiteral("cc"), QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"),
            QStringLiteral("echo compiling; echo \"$1:3:5: error: expected ';'\" >&2; printf 'no newline'; exit 3"),
            QStringLiteral("sh"), source},
        &error))
        << error.toStdString();
    EXPECT_TRUE(panel.IsRunning() || finished.count() == 1);
    ASSERT_TRUE(waitFinished());
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished[0][0].toInt(), 3);
    EXPECT_FALSE(finished[0][1].toBool());

    const QString text = panel.OutputText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("> /bin/sh -c"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\n") + source + QStringLiteral(":3:5: error: expected ';'\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\ncompiling\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nno newline\n")));
    EXPECT_TRUE(panel.StatusText().startsWith(QStringLiteral("cc: Nástroj skončil s kódem 3 (")))
        << panel.StatusText().toStdString();
    EXPECT_TRUE(panel.StatusText().endsWith(text.section(QLatin1Char('\n'), -1)));

    ASSERT_EQ(panel.Locations().size(), 1u);
    EXPECT_EQ(panel.Locations()[0].File, source);
    EXPECT_EQ(panel.Locations()[0].Line, 3);
    EXPECT_EQ(panel.Locations()[0].Column, 5);
    TToolOutputLocation opened;
    panel.OnOpenLocation = [&](const TToolOutputLocation& place) { opened = place; };

    // A click on the line follows its link.
    auto* view = panel.findChild<QPlainTextEdit*>(QStringLiteral("ToolOutputText"));
    panel.resize(600, 300);
    panel.show();
    QCoreApplication::processEvents();
    QTextCursor cursor(view->document()->findBlockByNumber(2));
    ASSERT_TRUE(cursor.block().text().startsWith(source));
    const QPoint at = view->cursorRect(cursor).center() + QPoint(4, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(opened.File, source);
    EXPECT_EQ(opened.Line, 3);
}

TEST_F(ToolOutput, OnlyReferencesToExistingFilesAreLinks)
{
    const QString source = file("x.c");
    const QString folder = QString::fromStdString(dir.path().string());
    struct Case {
        QString line;
        bool linked;
        int lineNo, column;
    } cases[] = {
        {source + QStringLiteral(":12: warning"), true, 12, 0},
        {QStringLiteral("x.c:7:2: error"), true, 7, 2}, // relative to the tool's folder
        {QStringLiteral("In file included from x.c:4,"), true, 4, 0},
        {source + QStringLiteral(": In function 'main':"), false, 0, 0},
        {QStringLiteral("missing.c:1: error"), false, 0, 0},
        {QStringLiteral("Time: 12:30: done"), false, 0, 0},
    };
    for (const Case& c : cases) {
        TToolOutputLocation place;
        EXPECT_EQ(TToolOutputPanel::ParseLocation(c.line, folder, place), c.linked) << c.line.toStdString();
        if (c.linked) {
            EXPECT_EQ(place.File, source);
            EXPECT_EQ(place.Line, c.lineNo);
            EXPECT_EQ(place.Column, c.column);
        }
    }
}

// Whether a process runs (a zombie that waits for its parent does not).
bool processRuns(const QString& pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && text.mid(close + 2, 1) != "Z";
}

TEST_F(ToolOutput, StoppingEndsTheToolWithWhatItStartedAndAMissingProgramDoesNotStart)
{
    QString error;
    // A shell that starts a long program and waits for it, as make does.
    ASSERT_TRUE(panel.Run(QStringLiteral("sleep"), QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("sleep 30 & echo $!; wait")}, &error));
    EXPECT_TRUE(panel.IsRunning());
    EXPECT_TRUE(panel.StatusText().startsWith(QStringLiteral("Běží: sleep")));
    QString child;
    QElapsedTimer clock;
    clock.start();
    while (child.isEmpty() && clock.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        child = panel.OutputText().section(QLatin1Char('\n'), 1, 1);
    }
    ASSERT_FALSE(child.isEmpty());
    EXPECT_TRUE(processRuns(child));
    panel.Stop();
    ASSERT_TRUE(waitFinished(5000));
    EXPECT_TRUE(panel.StatusText().startsWith(QStringLiteral("sleep: Nástroj byl zastaven (")))
        << panel.StatusText().toStdString();
    clock.restart();
    while (processRuns(child) && clock.elapsed() < 3000)
        QTest::qWait(20);
    EXPECT_FALSE(processRuns(child));

    const QString before = panel.OutputText();
    EXPECT_FALSE(panel.Run(QStringLiteral("none"), QString::fromStdString(dir.file("no-such-program")), {}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(panel.OutputText(), before); // the last run's output stays
}

TEST(ToolOutputBuffer, LinesComeWholeFromAnyPiecesAndLongOnesAreCut)
{
    TToolOutputBuffer buffer(3, 10);
    // A line split over pieces, a CR LF end, a colour code.
    for (const char* piece : {"jed", "na\r\ndva\n\x1b[31mtři\x1b[0m", "\n"})
        buffer.Append(QByteArray(piece));
    std::vector<TToolOutputLine> lines = buffer.Take(10);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Text, QStringLiteral("jedna"));
    EXPECT_EQ(lines[2].Text, QStringLiteral("tři"));
    EXPECT_EQ(lines[2].Number, 3);

    // Five megabytes without a line end: only the shown part is kept, and
    // the line says it was cut and how long it is.
    const QByteArray mega(1 << 20, 'x');
    for (int i = 0; i < 5; ++i)
        buffer.Append(mega);
    EXPECT_FALSE(buffer.HasLines());
    buffer.Finish();
    lines = buffer.Take(10);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].Cut);
    EXPECT_TRUE(lines[0].Text.startsWith(QStringLiteral("xxxxxxxxxx … [řádek zkrácen, celý má 5")))
        << lines[0].Text.toStdString();

    // Lines nobody can see any more are only counted.
    QByteArray many;
    for (int i = 1; i <= 100000; ++i)
        many += QByteArray::number(i) + '\n';
    buffer.Append(many);
    EXPECT_EQ(buffer.LineCount(), 4 + 100000);
    EXPECT_EQ(buffer.SkippedLines(), 100000 - 3);
    lines = buffer.Take(10);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].Text, QStringLiteral("100000"));
}

TEST_F(ToolOutput, AFloodOfLinesKeepsTheNewestSaysSoAndSavesWhole)
{
    const int count = TToolRun::kMaxLines + 5000;
    QString error;
    // A long line without a line end comes last.
    ASSERT_TRUE(panel.Run(QStringLiteral("seq"), QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("seq %1; head -c 3000000 /dev/zero | tr '\\0' y").arg(count)}, &error))
        << error.toStdString();
    ASSERT_TRUE(waitFinished(30000));
    TToolRun* run = panel.CurrentRun();
    ASSERT_NE(run, nullptr);
    auto* view = run->findChild<QPlainTextEdit*>(QStringLiteral("ToolOutputText"));
    EXPECT_LE(view->document()->blockCount(), TToolRun::kMaxLines);
    const QStringList shown = panel.OutputText().split(QLatin1Char('\n'));
    ASSERT_GE(shown.size(), 3);
    EXPECT_EQ(shown[shown.size() - 3], QString::number(count));
    EXPECT_TRUE(shown[shown.size() - 2].startsWith(QString(TToolRun::kMaxLineChars, QLatin1Char('y'))
        + QStringLiteral(" … [řádek zkrácen")));
    EXPECT_LT(shown[shown.size() - 2].size(), TToolRun::kMaxLineChars + 200);
    EXPECT_TRUE(run->DroppedLines() > 0);
    auto* note = run->findChild<QLabel*>(QStringLiteral("ToolOutputDropped"));
    ASSERT_NE(note, nullptr);
    EXPECT_FALSE(note->isHidden());
    EXPECT_TRUE(note->text().startsWith(QStringLiteral("Starších řádků vynecháno: "))) << note->text().toStdString();

    // The whole output goes to a file.
    const std::string saved = dir.file("out.txt");
    ASSERT_TRUE(run->SaveOutput(QString::fromStdString(saved), &error)) << error.toStdString();
    const std::string text = qxtest::ReadFile(saved);
    EXPECT_EQ(text.size(), std::string(QByteArray::number(count)).size() + 3000000 + [count] {
        size_t bytes = 0;
        for (int i = 1; i < count; ++i)
            bytes += std::to_string(i).size() + 1;
        return bytes + 1;
    }());
    EXPECT_EQ(text.substr(0, 4), "1\n2\n");
}

TEST_F(ToolOutput, ToolsRunSideBySideInTabsAndOutliveThePanel)
{
    const std::string marker = dir.file("lived"), orphan = dir.file("orphan");
    QString error;
    // The first writes a lot after a pause: a pipe to a closed panel would end it.
    ASSERT_TRUE(panel.Run(QStringLiteral("long"), QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("sleep 1; seq 200000; echo ok > \"$0\""),
            QString::fromStdString(marker)},
        &error));
    ASSERT_TRUE(panel.Run(QStringLiteral("short"), QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("echo short; sleep 30")}, &error));
    auto* tabs = panel.findChild<QTabWidget*>(QStringLiteral("ToolOutputTabs"));
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 2);
    auto* first = static_cast<TToolRun*>(tabs->widget(0));
    auto* second = static_cast<TToolRun*>(tabs->widget(1));
    EXPECT_TRUE(first->IsRunning());
    EXPECT_TRUE(second->IsRunning());
    EXPECT_EQ(panel.CurrentRun(), second);

    // Each stops on its own: closing the second's tab stops it, and the tab
    // goes once it has ended.
    emit tabs->tabCloseRequested(1);
    QElapsedTimer clock;
    clock.start();
    while (tabs->count() > 1 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(tabs->count(), 1);
    EXPECT_TRUE(first->IsRunning());

    // The panel goes (the program closes): the first tool lives on and writes.
    {
        TToolOutputPanel* gone = new TToolOutputPanel;
        ASSERT_TRUE(gone->Run(QStringLiteral("long"), QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"), QStringLiteral("sleep 1; seq 200000; echo ok > \"$0\""),
                QString::fromStdString(orphan)},
            &error));
        delete gone;
    }
    clock.restart();
    while (!(std::filesystem::exists(marker) && std::filesystem::exists(orphan)) && clock.elapsed() < 10000)
        QTest::qWait(50);
    EXPECT_EQ(qxtest::ReadFile(marker), "ok\n");
    EXPECT_EQ(qxtest::ReadFile(orphan), "ok\n");
    EXPECT_TRUE(waitFinished());
}

} // namespace
