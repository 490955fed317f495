// The SDK's example plug-in, built from its own folder against this build
// (BuildSdkExample.cmake passes its path in QX_EXAMPLE_PLUGIN), loads in the
// host and opens a file.
#include "PluginTestSupport.h"

#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"

#include <QPlainTextEdit>

#include <filesystem>

#include <cstdlib>

using SdkExample = PluginFixture;

TEST_F(SdkExample, LoadsInTheHostAndOpensAFile)
{
    const char* built = std::getenv("QX_EXAMPLE_PLUGIN");
    if (!built)
        GTEST_SKIP() << "run through the sdk_example test, which builds the example first";
    std::string path = home.dir().file("notes.so");
    std::filesystem::copy_file(built, path);
    std::string text = home.dir().file("hello.txt");
    qxtest::WriteFile(text, "Hello from a note.\n");

    TQX_Plugin plugin(QString::fromStdString(path));
    ASSERT_EQ(plugin.Load(), TQX_Plugin::LoadOk);
    EXPECT_EQ(plugin.GetName(), QStringLiteral("Notes"));
    ASSERT_EQ(plugin.GetEntryCount(), 1);
    TQX_PluginEntry* entry = plugin.GetEntry(0);
    EXPECT_EQ(entry->CanOpenFile(QString::fromStdString(text)), 1);
    EXPECT_EQ(entry->CanOpenFile("image.png"), 0);

    TQX_PluginWindow* window = entry->Launch(QString::fromStdString(text));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetDocumentWindowCount(), 1);
    EXPECT_EQ(window->FileName.toStdString(), text);
    EXPECT_FALSE(window->Modified);
    EXPECT_TRUE(window->Commands.Contains(QXC_SAVE));
    auto* editor = window->findChild<QPlainTextEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("Hello from a note.\n"));

    // An edit reaches the host through OnStateChange; saving writes the file.
    int refreshes = frame->refreshRequests;
    editor->appendPlainText(QStringLiteral("More."));
    EXPECT_TRUE(window->Modified);
    EXPECT_GT(frame->refreshRequests, refreshes);
    window->Command(QXC_SAVE, nullptr);
    EXPECT_EQ(qxtest::ReadFile(text), "Hello from a note.\n\nMore."); // appended as a new paragraph
    delete window;
}
