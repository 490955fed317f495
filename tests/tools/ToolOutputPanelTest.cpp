// The tool output panel runs a real program and shows what it writes, how it
// ended and which lines name a place in a file.
#include "tools/ToolOutputPanel.h"

#include "TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTest>
#include <gtest/gtest.h>

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

} // namespace
