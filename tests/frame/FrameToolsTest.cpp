// The frame's tools menu, running a tool on the active document, opening the
// places its output names, and the backup made before a save.
#include "FrameFixture.h"

#include "QX_Exports.h"
#include "QX_Types.h"
#include "kernel/Settings.h"
#include "frame/SaveActionShortcuts.h"
#include "platform/Registry.h"
#include "plugins/PluginWindowList.h"
#include "tools/ExternalToolSetup.h"
#include "tools/ExternalTools.h"
#include "outline/OutlinePanel.h"
#include "tools/ToolOutputPanel.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStandardItemModel>
#include <QTreeView>
#include <QTreeWidget>
#include <QStatusBar>

namespace {

class FrameToolsTest : public FrameFixture {
protected:
    std::string probe;
    void SetUp() override
    {
        FrameFixture::SetUp();
        probe = InstallProbe("probe.so", "entry=1,Text,0,0,2\n");
    }
    QStringList toolCaptions() const
    {
        QStringList captions;
        const QList<QAction*> entries = frame->ExternalToolsMenu()->actions();
        for (qsizetype i = 3; i < entries.size(); ++i)
            captions << entries[i]->text();
        return captions;
    }
    QAction* templateEntry() const
    {
        return frame->ExternalToolsMenu()->findChild<QAction*>(QStringLiteral("MenuExternalToolsTemplate"));
    }
    static QString readText(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<missing>");
    }
};

TEST_F(FrameToolsTest, ToolsMenuFollowsTheRegistry)
{
    SaveExternalToolList({{QStringLiteral("\"/bin/true\""), QStringLiteral("Nic"), 0x4074},
        {QStringLiteral("\"/bin/echo\" %file%"), QStringLiteral("Echo"), 0}});
    StartFrame();
    QMenu* menu = frame->ExternalToolsMenu();
    EXPECT_EQ(menu->objectName(), QStringLiteral("MenuExternalTools"));
    EXPECT_EQ(menu->title(), QStringLiteral("&Nástroje"));
    const QList<QAction*> entries = menu->actions();
    ASSERT_EQ(entries.size(), 5);
    EXPECT_EQ(entries[0], Act(FrameAction::ToolsSetup));
    EXPECT_TRUE(entries[1]->isSeparator());
    EXPECT_FALSE(templateEntry()->isVisible());
    EXPECT_EQ(toolCaptions(), QStringList({QStringLiteral("Nic"), QStringLiteral("Echo")}));
    EXPECT_EQ(entries[3]->statusTip(), QStringLiteral("\"/bin/true\""));
    EXPECT_EQ(entries[3]->shortcut().toString(QKeySequence::PortableText), QStringLiteral("Ctrl+F5"));

    // Saving writes the entries back; an empty list shows the placeholder.
    SaveExternalToolList({});
    frame->SaveExternalTools();
    EXPECT_EQ(LoadExternalToolList().size(), 2u);
    EXPECT_EQ(LoadExternalToolList()[0].ShortCut, 0x4074);
    SaveExternalToolList({});
    frame->LoadExternalTools();
    EXPECT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(templateEntry()->isVisible());
    EXPECT_FALSE(templateEntry()->isEnabled());
    EXPECT_EQ(templateEntry()->text(), QStringLiteral("(není definováno)"));
}

TEST_F(FrameToolsTest, TheSetupTreeShowsTheMenusImages)
{
    SaveExternalToolList({{QStringLiteral("\"/bin/true\""), QStringLiteral("Nic"), 0}});
    StartFrame();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TExternalToolSetupForm*>(QApplication::activeModalWidget());
        ASSERT_NE(form, nullptr);
        shown = true;
        QTreeWidgetItem* root = form->TreeView->topLevelItem(0);
        ASSERT_NE(root, nullptr);
        ASSERT_EQ(root->childCount(), 1);
        // The root has the setup action's image, a tool the image of its menu entry.
        EXPECT_FALSE(root->icon(0).isNull());
        EXPECT_EQ(root->icon(0).pixmap(16).toImage(), Act(FrameAction::ToolsSetup)->icon().pixmap(16).toImage());
        const QAction* entry = frame->ExternalToolsMenu()->actions()[3];
        EXPECT_EQ(entry->text(), QStringLiteral("Nic"));
        EXPECT_FALSE(root->child(0)->icon(0).isNull());
        EXPECT_EQ(root->child(0)->icon(0).pixmap(16).toImage(), entry->icon().pixmap(16).toImage());
        form->reject();
    });
    Act(FrameAction::ToolsSetup)->trigger();
    EXPECT_TRUE(shown);
}

TEST_F(FrameToolsTest, AToolRunsOnTheActiveDocumentAndItsOutputOpensTheLine)
{
    // The tool reports an error in the file it is given, as a compiler does.
    const QString script = MakeFile("tool.sh", "echo \"$1:2:7: error: bad\" >&2\necho \"dir=$2\"\nexit 1\n");
    SaveExternalToolList({{QStringLiteral("\"/bin/sh\" ") + script + QStringLiteral(" %file% %dir%"),
        QStringLiteral("Překlad"), 0}});
    StartFrame();
    const QString source = MakeFile("my file.c", "int main()\n{ return x; }\n");
    TQX_PluginWindow* window = frame->OpenFile(source, TFrameWindowForm::DefaultEntryID());
    ASSERT_NE(window, nullptr);
    window->Commands.Set(QXC_GOTOLINE);

    frame->ExternalToolsMenu()->actions()[3]->trigger();
    TToolOutputPanel* panel = frame->ToolOutputPanel();
    EXPECT_EQ(panel->objectName(), QStringLiteral("ToolOutputToolWindow"));
    EXPECT_TRUE(panel->isVisible());
    ASSERT_TRUE(WaitFor([&] { return !panel->IsRunning(); }));
    Spin(50);
    EXPECT_TRUE(panel->StatusText().startsWith(QStringLiteral("Překlad: Nástroj skončil s kódem 1")));
    EXPECT_TRUE(panel->OutputText().contains(QStringLiteral("dir=") + FolderOfFile(source)))
        << panel->OutputText().toStdString();
    ASSERT_EQ(panel->Locations().size(), 1u);

    panel->OpenLocation(0);
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 36 2:7"), 1);
    EXPECT_EQ(GetDocumentWindowCount(), 1); // the open document, not a second window

    // A window that cannot go to a line is only brought forward.
    window->Commands.Set(QXC_GOTOLINE, false);
    panel->OpenLocation(0);
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 36 2:7"), 1);
}

TEST_F(FrameToolsTest, AToolRunsInTheDocumentsFolderSavesFirstAndF4WalksItsErrors)
{
    // Relative names, as make prints them, resolve in the document's folder.
    const QString source = MakeFile("main.c", "int main()\n{ return x; }\n");
    MakeFile("util.c", "int u;\n");
    SaveExternalToolList({{QStringLiteral("\"/bin/sh\" -c \"echo main.c:2:10: error: x; echo ok; "
                                         "echo util.c:1:5: warning: y; sleep 30\""),
                              QStringLiteral("Build"), 0, true},
        {QStringLiteral("\"/bin/sh\" -c \"sleep 30\""), QStringLiteral("Wait"), 0, false}});
    StartFrame();
    TQX_PluginWindow* window = frame->OpenFile(source, TFrameWindowForm::DefaultEntryID());
    ASSERT_NE(window, nullptr);
    window->Commands.Set(QXC_GOTOLINE);
    window->Commands.Set(QXC_SAVE);
    QAction* next = frame->NextErrorAction();
    QAction* previous = frame->PreviousErrorAction();
    EXPECT_EQ(next->shortcut().toString(QKeySequence::PortableText), QStringLiteral("F4"));
    EXPECT_EQ(previous->shortcut().toString(QKeySequence::PortableText), QStringLiteral("Shift+F4"));

    // Two tools at once, no question: each in its own tab; only the first saves.
    frame->ExternalToolsMenu()->actions()[4]->trigger();
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 24"), 0);
    frame->ExternalToolsMenu()->actions()[3]->trigger();
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 24"), 1);
    TToolOutputPanel* panel = frame->ToolOutputPanel();
    EXPECT_EQ(panel->RunCount(), 2);
    ASSERT_TRUE(WaitFor([&] { return panel->Locations().size() == 2; }));
    EXPECT_EQ(panel->Locations()[1].File, FolderOfFile(source) + QStringLiteral("util.c"));

    next->trigger();
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 36 2:10"), 1);
    next->trigger(); // util.c opens in a window of its own
    ASSERT_EQ(GetDocumentWindowCount(), 2);
    EXPECT_EQ(GetActiveDocumentWindow()->FileName, FolderOfFile(source) + QStringLiteral("util.c"));
    previous->trigger();
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 36 2:10"), 2);
    EXPECT_EQ(GetActiveDocumentWindow(), window);
    for (int i = 0; i < panel->RunCount(); ++i)
        panel->findChildren<TToolRun*>()[i]->Stop();
    EXPECT_TRUE(WaitFor([&] { return !panel->IsRunning(); }));
}

TEST_F(FrameToolsTest, AFreshInstallationOffersTheBuildToolOnF9UnlessAnActionHasIt)
{
    for (const bool taken : {false, true}) {
        if (taken) {
            qx::Registry reg;
            ASSERT_TRUE(reg.OpenKey(kShortcutsKey, true));
            reg.WriteInteger("Action_FileSave", 0x0078);
            frame->LoadExternalTools();
        } else {
            StartFrame();
        }
        EXPECT_EQ(toolCaptions(), QStringList {QStringLiteral("Sestavit")});
        const QAction* build = frame->ExternalToolsMenu()->actions()[3];
        EXPECT_EQ(build->shortcut().toString(QKeySequence::PortableText), taken ? QString() : QStringLiteral("F9"));
        EXPECT_TRUE(build->property("SaveDocuments").toBool());
    }
    EXPECT_FALSE(ExternalToolListStored());
}

// The outline panel of the View menu shows the active document's symbols,
// follows activation and reported edits, and jumps in the document.
TEST_F(FrameToolsTest, TheOutlineFollowsTheActiveDocument)
{
    StartFrame();
    struct Doc {
        const char* file;
        const char* language;
        const char* text;
        TQX_PluginWindow* window = nullptr;
    } docs[] = {
        {"shape.cpp", "cpp", "int area() { return 1; }\nint main() { return 0; }\n"},
        {"notes.py", "python", "def hello():\n    pass\n"},
    };
    for (Doc& doc : docs) {
        doc.window = frame->OpenFile(MakeFile(doc.file, doc.text), TFrameWindowForm::DefaultEntryID());
        ASSERT_NE(doc.window, nullptr);
        doc.window->Commands.Set(QXC_GETTEXT);
        doc.window->Commands.Set(QXC_GOTOLINE);
        doc.window->setProperty("probeText", QString::fromUtf8(doc.text));
        doc.window->setProperty("probeLanguage", QString::fromUtf8(doc.language));
    }
    TOutlinePanel* panel = frame->OutlinePanel();
    QAction* toggle = Act(FrameAction::ViewOutline);
    EXPECT_EQ(toggle->text(), QStringLiteral("Přehled &symbolů"));
    EXPECT_EQ(toggle->shortcut().toString(QKeySequence::PortableText), QStringLiteral("Ctrl+Shift+O"));
    EXPECT_FALSE(panel->isVisible());
    auto names = [panel] {
        QStringList shown;
        for (int row = 0; row < panel->Model()->rowCount(); ++row)
            shown << panel->Model()->item(row)->text();
        return shown.join(u' ');
    };
    auto settled = [&](const char* expected) {
        return WaitFor([&] { return !panel->IsReading() && names() == QLatin1String(expected); });
    };

    toggle->trigger();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(panel->windowTitle(), QStringLiteral("Přehled symbolů"));
    EXPECT_EQ(panel->Document(), docs[1].window);
    EXPECT_TRUE(settled("hello()")) << names().toStdString() << panel->MessageText().toStdString();

    // Another document becomes the active one.
    QMdiSubWindow* first = nullptr;
    for (QMdiSubWindow* sub : frame->DocumentArea()->subWindowList())
        if (sub->widget() == docs[0].window || sub->isAncestorOf(docs[0].window))
            first = sub;
    ASSERT_NE(first, nullptr);
    frame->DocumentArea()->setActiveSubWindow(first);
    EXPECT_EQ(panel->Document(), docs[0].window);
    EXPECT_TRUE(settled("area() main()")) << names().toStdString();

    // An edit the window reports through the host's export is read again.
    docs[0].window->setProperty("probeText", QStringLiteral("int area() { return 1; }\nint main() { return 0; }\nint extra;\n"));
    EXPECT_TRUE(QXNotifyTextChanged(docs[0].window));
    EXPECT_TRUE(settled("area() main() extra")) << names().toStdString();

    panel->JumpTo(panel->View()->model()->index(1, 0), true);
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 36 2:0"), 1);

    // Closing the document leaves the panel on the one that is left.
    first->close();
    EXPECT_TRUE(WaitFor([&] { return panel->Document() == docs[1].window; }));
    EXPECT_TRUE(settled("hello()"));
    toggle->trigger();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(toggle->isChecked());
}

TEST_F(FrameToolsTest, AToolThatCannotStartIsReportedAndChangesNothing)
{
    SaveExternalToolList({{QStringLiteral("\"/no/such/compiler\" %file%"), QStringLiteral("Chybí"), 0}});
    StartFrame();
    QString seen;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->windowTitle() + QLatin1Char('|') + box->text();
            box->accept();
        }
    });
    frame->ExternalToolsMenu()->actions()[3]->trigger();
    // Without a document the macro is empty; the text is shown as expanded.
    EXPECT_TRUE(seen.startsWith(QStringLiteral("Quorvix 2|Program nebo dokument /no/such/compiler není "
                                               "možné otevřít.\n\n")))
        << seen.toStdString();
    EXPECT_FALSE(frame->ToolOutputPanel()->isVisible());
    EXPECT_EQ(toolCaptions(), QStringList({QStringLiteral("Chybí")}));
    EXPECT_EQ(LoadExternalToolList().size(), 1u);
}

TEST_F(FrameToolsTest, SaveBacksUpTheFileFirstAndAFailedBackupIsReportedButSaves)
{
    StartFrame();
    const QString source = MakeFile("notes.c", "before\n");
    TQX_PluginWindow* window = frame->OpenFile(source, TFrameWindowForm::DefaultEntryID());
    ASSERT_NE(window, nullptr);

    // Off: no copy, no warning.
    frame->Action(FrameAction::FileSave)->setEnabled(true);
    frame->Action_FileSaveExecute();
    EXPECT_FALSE(QFile::exists(FolderOfFile(source) + QStringLiteral("notes.~c")));
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 24"), 1);

    frame->BackupSettings().Enabled = 1;
    frame->SaveBackupSettings();
    frame->BackupSettings() = TBackupSettings {};
    frame->LoadBackupSettings();
    EXPECT_EQ(frame->BackupSettings().Enabled, 1);
    frame->Action_FileSaveExecute();
    EXPECT_EQ(readText(FolderOfFile(source) + QStringLiteral("notes.~c")), QStringLiteral("before\n"));
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 24"), 2);
    EXPECT_TRUE(frame->statusBar()->currentMessage().isEmpty());

    // A backup onto the document itself fails: warning, log line, and the save.
    frame->BackupSettings().SameName = 1;
    frame->Action_FileSaveAsExecute();
    EXPECT_EQ(CountLines(ProbeLog(probe), "command 25"), 1);
    EXPECT_EQ(readText(source), QStringLiteral("before\n"));
    const std::string log = qxtest::ReadFile(GetEventLogFileName());
    EXPECT_NE(log.find("CheckPositiveResult: Smart assertion failed. Message: [Varování: Operace automatického "
                       "zálohování nebyla dokončena úspěšně. Záložní kopie nebyla vytvořena.]"),
        std::string::npos);
}

TEST_F(FrameToolsTest, UnreadableBackupSettingsWarnAndFallBackToTheDefault)
{
    {
        qx::Registry reg;
        ASSERT_TRUE(reg.OpenKey(kBackupSettingsKey, true));
        reg.WriteBinary(kBackupSettingsValue, std::vector<uint8_t>(600, 1));
    }
    StartFrame();
    frame->show();
    EXPECT_EQ(frame->BackupSettings(), TBackupSettings {});
    const std::string log = qxtest::ReadFile(GetEventLogFileName());
    EXPECT_NE(log.find("Unable to load registry backup settings."), std::string::npos);
}

} // namespace
