// The outline panel on a stand-in document window: what it shows, how it
// follows edits, how it jumps, and how a running read is cancelled.
#include "outline/OutlinePanel.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <functional>

namespace {

// A document window that hands out its text and records the lines it is
// asked to show.
class FakeDocument : public TQX_PluginWindow {
public:
    FakeDocument(const char* fileName, const char* language, const QString& text)
        : Text(text)
        , Language(QString::fromUtf8(language))
    {
        FileName = QString::fromUtf8(fileName);
        Commands.Set(QXC_GETTEXT);
        Commands.Set(QXC_GOTOLINE);
    }
    void Command(uint8_t code, void* param) override
    {
        if (code == QXC_GETTEXT) {
            ++Reads;
            auto* document = static_cast<TQX_DocumentText*>(param);
            document->Length = Text.size();
            document->TooLong = document->MaxLength > 0 && Text.size() > document->MaxLength;
            document->Text = document->TooLong ? QString() : Text;
            document->Language = Language;
        } else if (code == QXC_GOTOLINE) {
            Lines.push_back(static_cast<const TQX_TextPosition*>(param)->Line);
        }
    }
    QString Text;
    QString Language;
    int Reads = 0;
    std::vector<int> Lines;
};

bool WaitFor(const std::function<bool()>& done, int milliseconds = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Spin(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The shown tree, one symbol per line, indented by depth.
QString Shown(const TOutlinePanel& panel)
{
    QStringList lines;
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int depth) {
        const QAbstractItemModel* model = panel.View()->model();
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex index = model->index(row, 0, parent);
            lines << QString(depth * 2, u' ') + index.data().toString();
            walk(index, depth + 1);
        }
    };
    walk({}, 0);
    return lines.join(u'\n');
}

QModelIndex FindShown(const TOutlinePanel& panel, const QString& text)
{
    const QModelIndexList found = panel.View()->model()->match(panel.View()->model()->index(0, 0), Qt::DisplayRole,
        text, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

bool Running(int pid)
{
    return pid > 0 && QFile::exists(QStringLiteral("/proc/%1").arg(pid));
}

const QString kShape = QStringLiteral(
    "namespace outer {\n"      // 1
    "class Shape {\n"          // 2
    "public:\n"                // 3
    "    double area() const;\n" // 4
    "    int sides_;\n"        // 5
    "};\n"                     // 6
    "}\n"                      // 7
    "int main() { return 0; }\n"); // 8

class OutlinePanelTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(FindCtagsProgram().isEmpty()) << "run scripts/install-deps"; }
    qxtest::ScopedHome home;
};

} // namespace

TEST_F(OutlinePanelTest, ShowsTheSymbolsAndFollowsEdits)
{
    TOutlinePanel panel;
    FakeDocument document("/w/shape.cpp", "cpp", kShape);

    // Hidden, the panel reads nothing; shown, it reads the document.
    panel.SetDocument(&document);
    Spin(50);
    EXPECT_EQ(document.Reads, 0);
    panel.show();
    ASSERT_TRUE(WaitFor([&] { return document.Reads == 1 && !panel.IsReading(); }));
    EXPECT_EQ(Shown(panel).toStdString(),
        "outer\n  Shape\n    area() const\n    sides_\nmain()");
    EXPECT_TRUE(panel.MessageText().isEmpty());

    // Quick changes cost one read, after the pause.
    document.Text += QStringLiteral("int two(int a) { return a; }\n");
    panel.DocumentTextChanged(&document);
    Spin(TOutlinePanel::kUpdateDelayMs / 3);
    document.Text += QStringLiteral("#define THREE 3\n");
    panel.DocumentTextChanged(&document);
    Spin(TOutlinePanel::kUpdateDelayMs / 3);
    EXPECT_EQ(document.Reads, 1);
    ASSERT_TRUE(WaitFor([&] { return document.Reads == 2 && !panel.IsReading(); }));
    EXPECT_EQ(Shown(panel).toStdString(),
        "outer\n  Shape\n    area() const\n    sides_\nmain()\ntwo(int a)\nTHREE");

    // A folded branch and the chosen symbol stay as they were.
    panel.View()->collapse(FindShown(panel, QStringLiteral("Shape")));
    panel.View()->setCurrentIndex(FindShown(panel, QStringLiteral("two(int a)")));
    FakeDocument other("/w/other.cpp", "cpp", QStringLiteral("int x;\n"));
    panel.DocumentTextChanged(&other); // another window: ignored
    document.Text.prepend(QStringLiteral("// moved\n"));
    panel.DocumentTextChanged(&document);
    ASSERT_TRUE(WaitFor([&] { return document.Reads == 3 && !panel.IsReading(); }));
    EXPECT_FALSE(panel.View()->isExpanded(FindShown(panel, QStringLiteral("Shape"))));
    EXPECT_TRUE(panel.View()->isExpanded(FindShown(panel, QStringLiteral("outer"))));
    EXPECT_EQ(panel.View()->currentIndex().data().toString(), QStringLiteral("two(int a)"));
    EXPECT_EQ(other.Reads, 0);

    // A long list stays where it was scrolled to.
    panel.resize(250, 300);
    for (int i = 0; i < 200; ++i)
        document.Text += QStringLiteral("int f%1() { return %1; }\n").arg(i);
    panel.Refresh();
    ASSERT_TRUE(WaitFor([&] { return document.Reads == 4 && !panel.IsReading(); }));
    QScrollBar* scroll = panel.View()->verticalScrollBar();
    ASSERT_GT(scroll->maximum(), 100);
    scroll->setValue(scroll->maximum() / 2);
    const int at = scroll->value();
    document.Text += QStringLiteral("int last() { return 0; }\n");
    panel.Refresh();
    ASSERT_TRUE(WaitFor([&] { return document.Reads == 5 && !panel.IsReading(); }));
    EXPECT_EQ(scroll->value(), at);

    // A reported change that left the text as it was runs no parser.
    const int parsed = panel.ReadCount();
    panel.DocumentTextChanged(&document);
    ASSERT_TRUE(WaitFor([&] { return document.Reads == 6; }));
    Spin(50);
    EXPECT_EQ(panel.ReadCount(), parsed);
    EXPECT_FALSE(panel.IsReading());
    EXPECT_EQ(scroll->value(), at);
}

TEST_F(OutlinePanelTest, JumpsToTheLineOnClickAndEnter)
{
    TOutlinePanel panel;
    std::vector<bool> shown; // focus wanted, per request to show the document
    panel.OnShowDocument = [&](TQX_PluginWindow*, bool focus) { shown.push_back(focus); };
    panel.resize(300, 400);
    panel.show();
    FakeDocument document("/w/shape.cpp", "cpp", kShape);
    panel.SetDocument(&document);
    ASSERT_TRUE(WaitFor([&] { return !panel.IsReading() && panel.Model()->rowCount() > 0; }));

    // A click shows the line and leaves the keyboard in the list.
    const QModelIndex area = FindShown(panel, QStringLiteral("area() const"));
    ASSERT_TRUE(area.isValid());
    EXPECT_EQ(area.data(Qt::ToolTipRole).toString(), QStringLiteral("deklarace funkce area, řádek 4"));
    EXPECT_EQ(FindShown(panel, QStringLiteral("outer")).data(Qt::ToolTipRole).toString(),
        QStringLiteral("jmenný prostor outer, řádek 1"));
    QTest::mouseClick(panel.View()->viewport(), Qt::LeftButton, {}, panel.View()->visualRect(area).center());
    ASSERT_FALSE(document.Lines.empty());
    EXPECT_EQ(document.Lines.back(), 4);
    EXPECT_FALSE(shown.back());

    // Enter on a symbol also takes the keyboard to the document.
    panel.View()->setCurrentIndex(FindShown(panel, QStringLiteral("main()")));
    QTest::keyClick(panel.View(), Qt::Key_Return);
    EXPECT_EQ(document.Lines.back(), 8);
    EXPECT_TRUE(shown.back());

    // The filter keeps matches with their parents; Enter in it goes to the
    // first match.
    QTest::keyClicks(panel.FilterEdit(), QStringLiteral("SIDE"));
    EXPECT_EQ(Shown(panel).toStdString(), "outer\n  Shape\n    sides_");
    QTest::keyClick(panel.FilterEdit(), Qt::Key_Return);
    EXPECT_EQ(document.Lines.back(), 5);
    QTest::keyClick(panel.FilterEdit(), Qt::Key_Escape);
    EXPECT_TRUE(panel.FilterEdit()->text().isEmpty());
    EXPECT_EQ(panel.View()->model()->rowCount(), 2);
}

TEST_F(OutlinePanelTest, SaysWhyThereIsNothingToShow)
{
    struct Case {
        const char* what;
        std::function<void(TOutlinePanel&, FakeDocument&)> setUp;
        const char* message; // the start of the panel's message
        bool parserRuns;
    } cases[] = {
        {"no Universal Ctags", [](TOutlinePanel& p, FakeDocument&) { p.SetProgram(QStringLiteral("/no/such/ctags")); },
            "Přehled symbolů potřebuje program Universal Ctags, který není nainstalován. Nainstalujte balík "
            "universal-ctags",
            true},
        {"a window that gives no text", [](TOutlinePanel&, FakeDocument& d) { d.Commands.Set(QXC_GETTEXT, false); },
            "Aktivní dokument nedává svůj text k rozboru", false},
        {"a document over the limit", [](TOutlinePanel& p, FakeDocument&) { p.SetMaxTextLength(512); },
            "Dokument je pro přehled symbolů příliš velký (888 B, nejvýše 512 B).", false},
        {"a language the parser does not know",
            [](TOutlinePanel&, FakeDocument& d) {
                d.Language.clear();
                d.FileName.clear();
            },
            "Pro tento druh dokumentu přehled symbolů není.", true},
        {"nothing in the text", [](TOutlinePanel&, FakeDocument& d) { d.Text = QStringLiteral("// empty\n"); },
            "V dokumentu nejsou žádné symboly.", true},
    };
    for (const Case& c : cases) {
        TOutlinePanel panel;
        panel.show();
        EXPECT_EQ(panel.MessageText(), QStringLiteral("Není otevřen žádný dokument.")) << c.what;
        FakeDocument document("/w/shape.cpp", "cpp", kShape.repeated(8));
        c.setUp(panel, document);
        panel.SetDocument(&document);
        ASSERT_TRUE(WaitFor([&] { return !panel.IsReading(); })) << c.what;
        EXPECT_TRUE(panel.MessageText().startsWith(QString::fromUtf8(c.message)))
            << c.what << ": " << panel.MessageText().toStdString();
        EXPECT_EQ(panel.ReadCount(), c.parserRuns ? 1 : 0) << c.what;
        EXPECT_EQ(panel.Model()->rowCount(), 0) << c.what;
        EXPECT_FALSE(panel.FilterEdit()->isEnabled()) << c.what;
    }

    // Once the parser is there, showing the panel again reads the document.
    TOutlinePanel panel;
    panel.SetProgram(QStringLiteral("/no/such/ctags"));
    panel.show();
    FakeDocument document("/w/shape.cpp", "cpp", kShape);
    panel.SetDocument(&document);
    ASSERT_TRUE(WaitFor([&] { return !panel.IsReading(); }));
    EXPECT_FALSE(panel.MessageText().isEmpty());
    panel.SetProgram(QString());
    panel.hide();
    panel.show();
    ASSERT_TRUE(WaitFor([&] { return !panel.IsReading() && panel.Model()->rowCount() == 2; }));
    EXPECT_TRUE(panel.MessageText().isEmpty());
}

TEST_F(OutlinePanelTest, ANewerReadOrTheDocumentClosingStopsTheRunningOne)
{
    // A parser that notes its process id and takes its time.
    qxtest::TempDir folder;
    const std::string pids = folder.file("pids");
    const std::string script = folder.file("slow-ctags");
    qxtest::WriteFile(script,
        "#!/bin/sh\ncase \"$*\" in *--version*) echo 'Universal Ctags 5.9.0'; exit 0;; esac\n"
        "echo $$ >> " + pids + "\nexec sleep 30\n");
    QFile::setPermissions(QString::fromStdString(script), QFile::ReadOwner | QFile::ExeOwner);
    auto runs = [&] {
        QList<int> list;
        for (const QString& line : QString::fromStdString(qxtest::ReadFile(pids)).split(u'\n', Qt::SkipEmptyParts))
            list << line.toInt();
        return list;
    };

    auto panel = std::make_unique<TOutlinePanel>();
    panel->SetProgram(QString::fromStdString(script));
    panel->show();
    auto* document = new FakeDocument("/w/shape.cpp", "cpp", kShape);
    panel->SetDocument(document);
    ASSERT_TRUE(WaitFor([&] { return runs().size() == 1; }));
    EXPECT_TRUE(panel->IsReading());
    EXPECT_TRUE(WaitFor([&] { return panel->MessageText() == QStringLiteral("Hledám symboly v dokumentu…"); }));

    panel->Refresh();
    ASSERT_TRUE(WaitFor([&] { return runs().size() == 2; }));
    EXPECT_TRUE(WaitFor([&] { return !Running(runs()[0]); })) << "the older read goes on";
    EXPECT_TRUE(panel->IsReading());
    EXPECT_TRUE(Running(runs()[1]));

    delete document;
    EXPECT_FALSE(panel->IsReading());
    EXPECT_EQ(panel->MessageText(), QStringLiteral("Není otevřen žádný dokument."));
    EXPECT_TRUE(WaitFor([&] { return !Running(runs()[1]); })) << "the read of a closed document goes on";

    // A panel that goes while it reads stops its parser first.
    FakeDocument last("/w/last.cpp", "cpp", kShape);
    panel->SetDocument(&last);
    ASSERT_TRUE(WaitFor([&] { return runs().size() == 3; }));
    QElapsedTimer clock;
    clock.start();
    panel.reset();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(Running(runs()[2]));
}
