// The frame's view: the toolbar layout kept across starts, the toolbar
// dialog, the menu toolbar's caption buttons, full-screen mode and the
// notepad pane.
#include "FrameFixture.h"
#include "ModalAnswers.h"

#include "QX_Types.h"
#include "frame/FrameStatusBar.h"
#include "frame/Notepad.h"
#include "frame/SetupToolbars.h"
#include "kernel/Logging.h"
#include "platform/FileWrite.h"
#include "platform/Registry.h"
#include "plugins/PluginWindowList.h"

#include <QApplication>
#include <QDockWidget>
#include <QListWidget>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <cerrno>
#include <filesystem>

namespace {

class FrameViewTest : public AnsweredFrameFixture {
protected:
    QToolBar* Bar(const char* name) const { return frame->findChild<QToolBar*>(QLatin1String(name)); }
    QDockWidget* Dock(const char* name) const { return frame->findChild<QDockWidget*>(QLatin1String(name)); }
    QTextEdit* Notepad() const { return frame->NotepadEdit(); }

    static std::string Value(const std::string& panel, const std::string& name)
    {
        qx::Registry reg;
        if (!reg.OpenKey("Software\\Quorvix\\ToolBars\\" + panel, false) || !reg.ValueExists(name))
            return "(none)";
        return reg.ReadString(name);
    }

    void Restart()
    {
        ASSERT_TRUE(frame->close());
        DestroyFrame();
        StartFrame();
    }

    // Names of the event scripts run since the log had `from` lines.
    static std::vector<std::string> EventScripts(size_t from)
    {
        std::vector<std::string> names;
        const std::vector<std::string> lines = GetEventLogLines();
        const std::string mark = "Loading and executing script [DEFAULT].";
        for (size_t i = from; i < lines.size(); ++i)
            if (size_t at = lines[i].find(mark); at != std::string::npos)
                names.push_back(lines[i].substr(at + mark.size(), lines[i].size() - at - mark.size() - 2));
        return names;
    }
};

TEST_F(FrameViewTest, ToolbarLayoutIsKeptAcrossStarts)
{
    StartFrame();
    // A fresh layout: the menu toolbar alone in the first row of the top dock.
    EXPECT_EQ(frame->toolBarArea(frame->MenuToolbar()), Qt::TopToolBarArea);
    EXPECT_LT(frame->MenuToolbar()->y(), Bar("FileToolbar")->y());
    EXPECT_EQ(Bar("FileToolbar")->y(), Bar("ProjectToolbar")->y());
    EXPECT_LT(Bar("FileToolbar")->y(), Bar("ScriptToolbar")->y());

    Bar("EditToolbar")->hide();
    Bar("FormatToolbar")->show();
    frame->removeToolBar(Bar("BookmarksToolbar"));
    frame->addToolBar(Qt::BottomToolBarArea, Bar("BookmarksToolbar"));
    Bar("BookmarksToolbar")->show();
    // Floated as a drag off its dock leaves it.
    QToolBar* script = Bar("ScriptToolbar");
    script->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    script->move(300, 200);
    script->show();
    Dock("NotepadToolWindow")->show();
    QDockWidget* documents = Dock("DocumentsToolbar");
    documents->show();
    documents->setFloating(true);
    documents->move(120, 140);
    Spin(50);
    const QPoint scriptPos = script->pos();
    Restart();

    EXPECT_EQ(Value("EditToolbar", "Visible"), "0");
    EXPECT_EQ(Value("EditToolbar", "Rev"), "3");
    EXPECT_EQ(Value("BookmarksToolbar", "DockedTo"), "BottomDock");
    EXPECT_EQ(Value("ScriptToolbar", "DockedTo"), "+");
    EXPECT_EQ(Value("ScriptToolbar", "LastDock"), "TopDock");
    EXPECT_EQ(Value("ScriptToolbar", "FloatLeft"), std::to_string(scriptPos.x()));
    EXPECT_EQ(Value("DocumentsToolbar", "DockedTo"), "+");
    EXPECT_NE(Value("NotepadToolWindow", "ClientHeight"), "(none)");
    EXPECT_EQ(Value("NotepadToolWindow", "FloatRightX"), "(none)");
    EXPECT_EQ(Value("MenuToolbar", "DockRow"), "0");

    EXPECT_TRUE(Bar("EditToolbar")->isHidden());
    EXPECT_TRUE(Bar("FormatToolbar")->isVisible());
    EXPECT_EQ(frame->toolBarArea(Bar("BookmarksToolbar")), Qt::BottomToolBarArea);
    script = Bar("ScriptToolbar");
    EXPECT_TRUE(script->isWindow());
    EXPECT_TRUE(script->isVisible());
    EXPECT_EQ(script->pos(), scriptPos);
    EXPECT_TRUE(Dock("NotepadToolWindow")->isVisible());
    EXPECT_TRUE(Dock("DocumentsToolbar")->isFloating());
    EXPECT_EQ(frame->toolBarArea(frame->MenuToolbar()), Qt::TopToolBarArea);
    EXPECT_LT(frame->MenuToolbar()->y(), Bar("FileToolbar")->y());
    EXPECT_LT(Bar("FileToolbar")->y(), Bar("FormatToolbar")->y());
}

// The tool windows other parts add are in the View menu's panel list as the
// frame's own are, and the layout store keeps whether they are shown.
TEST_F(FrameViewTest, PanelMenuShowsToolWindowsAndTheirVisibilityIsKept)
{
    auto toggle = [this](const char* caption) {
        auto* menu = frame->findChild<QMenu*>(QStringLiteral("MenuViewToolbars"));
        emit menu->aboutToShow();
        for (QAction* item : menu->actions())
            if (item->text() == QString::fromUtf8(caption)) {
                item->trigger();
                return true;
            }
        return false;
    };
    const char* const captions[] = {"Panel 'Výstup nástroje'", "Panel 'Složka Dokumenty'", "Panel 'Přehled symbolů'"};
    const char* const docks[] = {"ToolOutputToolWindow", "DocumentsToolbar", "OutlineToolWindow"};
    StartFrame();
    for (bool shown : {true, false}) {
        for (const char* caption : captions)
            ASSERT_TRUE(toggle(caption)) << caption;
        for (const char* dock : docks)
            EXPECT_EQ(Dock(dock)->isVisible(), shown) << dock;
        Restart();
        for (const char* dock : docks) {
            EXPECT_EQ(Value(dock, "Visible"), shown ? "1" : "0") << dock;
            EXPECT_EQ(Dock(dock)->isVisible(), shown) << dock;
        }
    }
}

// The notepad lies across the whole bottom, below the panels that share the
// bottom side by side: when it is shown together with the tool output, and
// when a stored layout had it squeezed beside the tool output.
TEST_F(FrameViewTest, NotepadLiesAcrossTheBottomBelowThePanelsThere)
{
    StartFrame();
    frame->resize(1000, 700);
    auto expectAcross = [this](const char* when) {
        QDockWidget* notepad = Dock("NotepadToolWindow");
        QDockWidget* output = Dock("ToolOutputToolWindow");
        ASSERT_TRUE(notepad->isVisible() && output->isVisible()) << when;
        EXPECT_EQ(frame->dockWidgetArea(notepad), Qt::BottomDockWidgetArea) << when;
        EXPECT_GE(notepad->width(), frame->width() - 20) << when;
        EXPECT_EQ(notepad->x(), output->x()) << when;
        EXPECT_GE(notepad->y(), output->geometry().bottom()) << when;
    };
    Dock("ToolOutputToolWindow")->show();
    Dock("NotepadToolWindow")->show();
    Spin(50);
    expectAcross("shown");

    frame->splitDockWidget(Dock("ToolOutputToolWindow"), Dock("NotepadToolWindow"), Qt::Horizontal);
    Spin(50);
    ASSERT_LT(Dock("NotepadToolWindow")->width(), frame->width() / 2 + 20);
    Restart();
    Spin(100);
    expectAcross("restored");
}

// Tool windows side by side on one dock get back the widths they had, the
// notepad across the bottom its height.
TEST_F(FrameViewTest, ToolWindowsSideBySideKeepTheirSizes)
{
    StartFrame();
    frame->resize(1000, 700);
    QDockWidget* output = Dock("ToolOutputToolWindow");
    QDockWidget* results = Dock("FindInFilesToolWindow");
    QDockWidget* notepad = Dock("NotepadToolWindow");
    output->show();
    results->show();
    notepad->show();
    Spin(50);
    // Not the split the dock makes by itself.
    const int naturalWidth = output->width();
    frame->resizeDocks({output}, {380}, Qt::Horizontal);
    frame->resizeDocks({output}, {150}, Qt::Vertical);
    frame->resizeDocks({notepad}, {110}, Qt::Vertical);
    Spin(50);
    const QSize outputSize = output->size();
    const int notepadHeight = notepad->height();
    ASSERT_GT(std::abs(outputSize.width() - naturalWidth), 50);
    ASSERT_NE(outputSize.height(), notepadHeight);
    // Out of full-screen mode and after a new start.
    for (int step = 0; step < 2; ++step) {
        if (step == 0) {
            Act(FrameAction::ViewFullscreen)->trigger();
            Spin(50);
            Act(FrameAction::ViewFullscreen)->trigger();
        } else {
            Restart();
        }
        Spin(100);
        output = Dock("ToolOutputToolWindow");
        notepad = Dock("NotepadToolWindow");
        EXPECT_NEAR(output->width(), outputSize.width(), 4) << step << " natural " << naturalWidth;
        EXPECT_NEAR(output->height(), outputSize.height(), 4) << step;
        EXPECT_NEAR(notepad->height(), notepadHeight, 4) << step;
        EXPECT_GE(notepad->width(), frame->width() - 20) << step;
    }
}

TEST_F(FrameViewTest, ForeignLayoutValuesKeepTheToolbarWhereItIs)
{
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\ToolBars\\FileToolbar", true));
        reg.WriteString("Rev", "1");
        reg.WriteString("DockedTo", "LeftDock");
        reg.WriteString("Visible", "0");
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\ToolBars\\EditToolbar", true));
        reg.WriteString("Rev", "3");
        reg.WriteString("DockedTo", "NoSuchDock");
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\ToolBars\\MenuToolbar", true));
        reg.WriteString("Rev", "3");
        reg.WriteString("DockedTo", "LeftDock"); // the menu bar docks at the top or bottom only
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\ToolBars\\ScriptToolbar", true));
        reg.WriteString("Rev", "3");
        reg.WriteString("DockedTo", "+");
        reg.WriteString("FloatLeft", "-5000"); // on a screen that is gone
        reg.WriteString("FloatTop", "x");
    }
    StartFrame();
    for (const char* name : {"FileToolbar", "EditToolbar"}) {
        EXPECT_EQ(frame->toolBarArea(Bar(name)), Qt::TopToolBarArea) << name;
        EXPECT_TRUE(Bar(name)->isVisible()) << name;
    }
    EXPECT_EQ(frame->toolBarArea(frame->MenuToolbar()), Qt::TopToolBarArea);
    EXPECT_FALSE(frame->MenuToolbar()->isFloatable());
    EXPECT_TRUE(Bar("ScriptToolbar")->isWindow());
    EXPECT_NE(QGuiApplication::screenAt(Bar("ScriptToolbar")->pos()), nullptr);
}

TEST_F(FrameViewTest, AStoredValueOfTheWrongTypeCostsOnlyItselfAndIsReported)
{
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\ToolBars\\FileToolbar", true));
        reg.WriteString("Rev", "3");
        reg.WriteInteger("Visible", 0); // texts only: the bar stays as designed
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\ToolBars\\EditToolbar", true));
        reg.WriteString("Rev", "3");
        reg.WriteString("Visible", "0");
        reg.WriteInteger("DockRow", 1);
        ASSERT_TRUE(reg.OpenKey("Software\\Quorvix\\Frame", true));
        reg.WriteInteger("ToolbarButtonFileSave_Visible", 0);
        reg.WriteString("ToolbarButtonFileOpen_Visible", "False");
    }
    StartFrame();
    EXPECT_TRUE(Bar("FileToolbar")->isVisible());
    EXPECT_FALSE(Bar("EditToolbar")->isVisible());
    auto holder = [this](const char* name) {
        return frame->findChild<QToolButton*>(QLatin1String(name))->property("qxHolder").value<QAction*>();
    };
    EXPECT_TRUE(holder("ToolbarButtonFileSave")->isVisible());
    EXPECT_FALSE(holder("ToolbarButtonFileOpen")->isVisible());
    int warnings = 0;
    for (const std::string& line : GetEventLogLines())
        if (line.find("_KernelWarning") != std::string::npos
            && (line.find("FileToolbar\\Visible") != std::string::npos
                || line.find("ToolbarButtonFileSave_Visible") != std::string::npos
                || line.find("EditToolbar\\DockRow") != std::string::npos))
            ++warnings;
    EXPECT_EQ(warnings, 3);
}

TEST_F(FrameViewTest, ToolbarDialogListsPanelsAndButtonsAndAppliesTicks)
{
    StartFrame();
    bool shown = false;
    modal.answers.push_back([&](QWidget* dialog) {
        auto& form = *qobject_cast<TSetupToolbarsForm*>(dialog);
        shown = true;
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Upravit panely nástrojů"));
        QStringList rows;
        for (int i = 0; i < form.ToolbarList->count(); ++i)
            rows << form.ToolbarList->item(i)->text();
        // The frame's own panels first; tool windows other parts added follow.
        EXPECT_EQ(rows.mid(0, 12), (QStringList {"Nabídky", "Soubor", "Úpravy", "Poznámky", "Okno", "Formát", "Projekt",
                                       "Záložky", "Dokumenty", "Skripty", "Poznámky (panel)",
                                       "Složka Dokumenty (panel)"}));
        EXPECT_EQ(rows.last(), QStringLiteral("(všechny příkazy)"));
        EXPECT_EQ(form.ToolbarList->item(5)->checkState(), Qt::Unchecked); // Format starts hidden
        // The menu toolbar lists no button; "(všechny příkazy)" lists every toolbar's.
        form.ToolbarList->setCurrentRow(0);
        EXPECT_EQ(form.BtnList->count(), 0);
        form.ToolbarList->setCurrentRow(int(rows.indexOf(QStringLiteral("(všechny příkazy)"))));
        int total = 0;
        for (QToolBar* bar : frame->Toolbars())
            total += int(TSetupToolbarsForm::ListedButtons(bar).size());
        EXPECT_EQ(form.BtnList->count(), total);
        EXPECT_GT(total, 50);
        form.ToolbarList->setCurrentRow(1);
        EXPECT_EQ(form.BtnList->item(0)->text(), QStringLiteral("Vytvořit nový dokument"));
        form.BtnList->item(0)->setCheckState(Qt::Unchecked);
        form.ToolbarList->item(2)->setCheckState(Qt::Unchecked);
        form.ToolbarList->item(5)->setCheckState(Qt::Checked);
        form.Button1->click();
    });
    frame->findChild<QMenu*>(QStringLiteral("MenuViewToolbars"))->popup(QPoint());
    QAction* setup = frame->findChild<QAction*>(QStringLiteral("MenuViewToolbarsSetup"));
    ASSERT_NE(setup, nullptr);
    setup->trigger();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(frame->findChild<QToolButton*>(QStringLiteral("ToolbarButtonFileNew"))->isVisible());
    EXPECT_TRUE(Bar("EditToolbar")->isHidden());
    EXPECT_TRUE(Bar("FormatToolbar")->isVisible());
}

TEST_F(FrameViewTest, CaptionButtonsFollowTheMaximizedDocument)
{
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    StartFrame();
    auto* minimize = frame->findChild<QToolButton*>(QStringLiteral("CaptionButton1"));
    auto* restore = frame->findChild<QToolButton*>(QStringLiteral("CaptionButton2"));
    auto* close = frame->findChild<QToolButton*>(QStringLiteral("CaptionButton3"));
    auto* icon = frame->findChild<QWidget*>(QStringLiteral("IconPaintBox"));
    EXPECT_EQ(minimize->toolTip(), QStringLiteral("Mimimalizovat okno"));
    EXPECT_EQ(restore->toolTip(), QStringLiteral("Obnovit okno"));
    EXPECT_EQ(close->toolTip(), QStringLiteral("Zavřít okno"));
    frame->OpenFile(MakeFile("a.txt"), TFrameWindowForm::DefaultEntryID());
    frame->OpenFile(MakeFile("b.txt"), TFrameWindowForm::DefaultEntryID());
    FlushUpdate();
    EXPECT_FALSE(close->isVisible());
    QMdiSubWindow* sub = frame->DocumentArea()->activeSubWindow();
    sub->showMaximized();
    FlushUpdate();
    EXPECT_TRUE(close->isVisible() && restore->isVisible() && minimize->isVisible() && icon->isVisible());
    // The icon box opens the document's window menu.
    QTest::mouseClick(icon, Qt::LeftButton);
    auto* windowMenu = icon->findChild<QMenu*>(QStringLiteral("DocumentWindowMenu"));
    ASSERT_NE(windowMenu, nullptr);
    EXPECT_TRUE(WaitFor([windowMenu] { return windowMenu->isVisible(); }, 1000));
    windowMenu->close();
    restore->click();
    FlushUpdate();
    EXPECT_FALSE(sub->isMaximized());
    EXPECT_FALSE(close->isVisible());
    sub->showMaximized();
    FlushUpdate();
    close->click();
    Spin(50);
    EXPECT_EQ(GetDocumentWindowCount(), 1);
}

TEST_F(FrameViewTest, FullScreenInAndOut)
{
    InstallProbe("a.so", "entry=1,Alpha,0,0,2:.txt\n");
    StartFrame();
    Bar("FormatToolbar")->show();
    Bar("EditToolbar")->hide();
    QAction* fullScreen = Act(FrameAction::ViewFullscreen);

    // A document that refuses to close keeps the normal mode.
    TQX_PluginWindow* refusing = frame->OpenFile(MakeFile("a.txt"), TFrameWindowForm::DefaultEntryID());
    RefuseClose(refusing);
    fullScreen->trigger();
    EXPECT_FALSE(frame->FullScreenMode());
    EXPECT_FALSE(fullScreen->isChecked());
    delete refusing;
    Spin(20);

    const size_t logStart = GetEventLogLines().size();
    fullScreen->trigger();
    EXPECT_TRUE(frame->FullScreenMode());
    EXPECT_TRUE(fullScreen->isChecked());
    EXPECT_TRUE(frame->isFullScreen());
    EXPECT_FALSE(frame->acceptDrops());
    EXPECT_TRUE(frame->MenuToolbar()->isVisible());
    for (QWidget* panel : frame->Panels())
        if (panel != frame->MenuToolbar()) {
            EXPECT_TRUE(panel->isHidden()) << panel->objectName().toStdString();
        }
    EXPECT_TRUE(frame->StatusBarPanels()->isHidden());
    // The layout was saved on the way in.
    EXPECT_EQ(Value("FormatToolbar", "Visible"), "1");
    EXPECT_EQ(Value("EditToolbar", "Visible"), "0");

    fullScreen->trigger();
    EXPECT_FALSE(frame->FullScreenMode());
    EXPECT_FALSE(frame->isFullScreen());
    EXPECT_TRUE(frame->acceptDrops());
    EXPECT_TRUE(Bar("FormatToolbar")->isVisible());
    EXPECT_TRUE(Bar("EditToolbar")->isHidden());
    EXPECT_TRUE(Bar("FileToolbar")->isVisible());
    EXPECT_TRUE(frame->StatusBarPanels()->isVisible());
    EXPECT_EQ(EventScripts(logStart), (std::vector<std::string> {"OnClosing", "OnStarted", "OnClosing", "OnStarted"}));

    // Closing from full-screen mode stores the normal layout and placement
    // and skips OnShutdown.
    frame->showNormal();
    frame->setGeometry(40, 50, 700, 500);
    const QSize normalSize = frame->geometry().size();
    fullScreen->trigger();
    ASSERT_TRUE(frame->FullScreenMode());
    const size_t closeStart = GetEventLogLines().size();
    ASSERT_TRUE(frame->close());
    EXPECT_EQ(EventScripts(closeStart), std::vector<std::string> {"OnClosing"});
    EXPECT_EQ(Value("FileToolbar", "Visible"), "1");
    EXPECT_EQ(Value("FormatToolbar", "Visible"), "1");
    DestroyFrame();
    StartFrame();
    EXPECT_FALSE(frame->FullScreenMode());
    EXPECT_EQ(frame->geometry().size(), normalSize);
    EXPECT_TRUE(Bar("FormatToolbar")->isVisible());
}

TEST_F(FrameViewTest, NotepadTextIsKeptAndSavedSoonAfterChanges)
{
    StartFrame();
    const std::string file = home.programDir() + "notepad.rtf";
    EXPECT_TRUE(Notepad()->toPlainText().isEmpty());
    EXPECT_FALSE(Notepad()->isReadOnly());
    EXPECT_FALSE(std::filesystem::exists(file));

    QTextCursor cursor(Notepad()->document());
    cursor.insertText(QStringLiteral("Poznámka "));
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("tučně"), bold);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("druhý řádek"), QTextCharFormat());
    // Saved a few seconds after the last change, without closing.
    auto* store = Notepad()->findChild<TNotepadFile*>();
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(store->SavePending());
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(file); }, TNotepadFile::kSaveDelay + 3000));
    EXPECT_EQ(qxtest::ReadFile(file).rfind("{\\rtf1", 0), 0u);

    Restart();
    EXPECT_EQ(Notepad()->toPlainText(), QStringLiteral("Poznámka tučně\ndruhý řádek"));
    QTextCursor at(Notepad()->document());
    at.setPosition(11);
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
    // Loading is no change to save and nothing to undo.
    EXPECT_FALSE(Notepad()->findChild<TNotepadFile*>()->SavePending());
    EXPECT_FALSE(Notepad()->document()->isUndoAvailable());
}

TEST_F(FrameViewTest, ClearingTheNotepadAsksAndCanBeUndone)
{
    StartFrame();
    Notepad()->setPlainText(QStringLiteral("keep me"));
    Notepad()->document()->clearUndoRedoStacks();
    QAction* clear = Act(FrameAction::SubmenuNotepadClear);
    EXPECT_TRUE(clear->isEnabled());

    for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        modal.answers.push_back(ModalAnswers::Button(answer));
        clear->trigger();
    }
    EXPECT_TRUE(Notepad()->toPlainText().isEmpty());
    Notepad()->undo();
    EXPECT_EQ(Notepad()->toPlainText(), QStringLiteral("keep me"));
}

TEST_F(FrameViewTest, AnUnreadableNotepadFileIsNotReplacedByAnEmptyPane)
{
    const std::string file = home.programDir() + "notepad.rtf";
    std::filesystem::create_directories(file); // there, but no file to read
    StartFrame();
    EXPECT_TRUE(Notepad()->toPlainText().isEmpty());
    EXPECT_FALSE(Notepad()->findChild<TNotepadFile*>()->Save());
    EXPECT_TRUE(std::filesystem::is_directory(file));
}

// Closing the program saves changed notes first; when the notes cannot be
// written the user reads why and may keep the program open, and the notes
// file keeps what it held.
TEST_F(FrameViewTest, NotesThatCannotBeSavedAreNotLostSilentlyAtClosing)
{
    StartFrame();
    const std::string file = home.programDir() + "notepad.rtf";
    QTextCursor(Notepad()->document()).insertText(QStringLiteral("uložené"));
    ASSERT_TRUE(Notepad()->findChild<TNotepadFile*>()->Save());
    const std::string saved = qxtest::ReadFile(file);
    QTextCursor(Notepad()->document()).insertText(QStringLiteral("nové "));
    struct Reset {
        ~Reset() { qx::FailFileWritesForTesting(0); }
    } reset;
    qx::FailFileWritesForTesting(ENOSPC);
    modal.answers.push_back(ModalAnswers::Button(QMessageBox::No));
    EXPECT_FALSE(frame->close());
    ASSERT_EQ(modal.shown.size(), 1u);
    EXPECT_TRUE(modal.shown[0].contains(QString::fromStdString(file))) << modal.shown[0].toStdString();
    EXPECT_TRUE(modal.shown[0].contains(QStringLiteral("na disku není volné místo"))) << modal.shown[0].toStdString();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(qxtest::ReadFile(file), saved);
    // With room again the close saves the notes and asks nothing.
    qx::FailFileWritesForTesting(0);
    ASSERT_TRUE(frame->close());
    EXPECT_EQ(modal.shown.size(), 1u);
    EXPECT_NE(qxtest::ReadFile(file).find("nov"), std::string::npos);
}

// On a full disk the notes file keeps the notes of the last good save, never
// a file cut short or empty; the pane keeps the text as a change to save and
// says why once, naming the file.
TEST(NotepadFile, AFullDiskKeepsTheLastSavedNotes)
{
    qxtest::FullDisk disk;
    QX_SKIP_WITHOUT_FULL_DISK(disk);
    const QString path = QString::fromStdString(disk.file("notepad.rtf"));
    QTextEdit edit;
    auto* notes = new TNotepadFile(&edit, path);
    QTextCursor(edit.document()).insertText(QStringLiteral("staré poznámky"));
    ASSERT_TRUE(notes->Save());
    const std::string old = qxtest::ReadFile(path.toStdString());
    QStringList reported;
    QObject::connect(notes, &TNotepadFile::SaveFailed, [&](const QString& message) { reported << message; });
    disk.Fill();
    for (int size : {100, 16000}) {
        QTextCursor cursor(edit.document());
        cursor.select(QTextCursor::Document);
        cursor.insertText(QString(size, QLatin1Char('n')));
        EXPECT_FALSE(notes->Save());
        EXPECT_EQ(qxtest::ReadFile(path.toStdString()), old);
        EXPECT_TRUE(edit.document()->isModified());
    }
    ASSERT_EQ(reported.size(), 1);
    EXPECT_TRUE(reported[0].contains(path)) << reported[0].toStdString();
    EXPECT_TRUE(reported[0].contains(QStringLiteral("na disku není volné místo"))) << reported[0].toStdString();
    disk.Free();
    EXPECT_TRUE(notes->Save());
    EXPECT_TRUE(notes->LastError().isEmpty());
    EXPECT_NE(qxtest::ReadFile(path.toStdString()).find("nnnn"), std::string::npos);
}

TEST(NotepadRuns, DocumentAndRunsConvertBothWays)
{
    const qx::RtfRuns runs {{"a ", {}}, {"b\n", {true, false, false, -1}}, {"c", {false, true, true, 0xFF0000}}};
    QTextDocument document;
    SetDocumentRuns(document, runs);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("a b\nc"));
    EXPECT_EQ(DocumentRuns(document), runs);
}

} // namespace
