#include "QX_Exports.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "plugins/Cookies.h"
#include "plugins/ExportsDef.h"
#include "plugins/PluginWindowList.h"

#include "KernelFixture.h"
#include "TestEnv.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A document window that remembers its cookie and the commands it got.
class CookieWindow : public TQX_PluginWindow {
    Q_OBJECT
public:
    QString cookie = "unset";
    QString toSave;
    std::vector<int> commands;
    void LoadCookie(const QString& c) override { cookie = c; }
    void SaveCookie(QString& c) override { c = toSave; }
    void Command(uint8_t code, void*) override { commands.push_back(code); }
};

class OtherWindow : public CookieWindow {
    Q_OBJECT
};

class ThrowingWindow : public TQX_PluginWindow {
    Q_OBJECT
public:
    void SaveCookie(QString&) override { throw std::runtime_error("broken plug-in"); }
};

class Exports : public qxtest::KernelFixture {
protected:
    void SetUp() override
    {
        KernelFixture::SetUp();
        InitCookies();
    }
};

TEST_F(Exports, RecordsHaveTheirSizesAndVersionChecksSize)
{
    TQX_VersionInfo v {16, 0, 0, 0};
    ASSERT_TRUE(QXGetVersionEx(&v));
    EXPECT_EQ(v.Major, 2u);
    EXPECT_EQ(v.Minor, 0u);
    EXPECT_EQ(v.Release, 1u);
    TQX_VersionInfo wrong {15, 9, 9, 9};
    EXPECT_FALSE(QXGetVersionEx(&wrong));
    EXPECT_EQ(wrong.Major, 9u);
    EXPECT_FALSE(QXGetVersionEx(nullptr));
}

TEST_F(Exports, PluginInfoRefusesBadIndexesAndSizes)
{
    auto record = std::make_unique<TQX_PluginDescription>();
    std::memset(record.get(), 0xAB, sizeof *record);
    record->Size = sizeof *record;
    EXPECT_FALSE(QXGetPluginInfo(QXGetPluginCount(), record.get()));
    EXPECT_FALSE(QXGetPluginInfo(-1, record.get()));
    EXPECT_EQ(static_cast<unsigned char>(record->Name[0]), 0xAB);
    record->Size = sizeof *record - 1;
    EXPECT_FALSE(QXGetPluginInfo(0, record.get()));
    EXPECT_FALSE(QXGetPluginInfo(0, nullptr));
}

TEST_F(Exports, CookiesAreKeyedByWindowClassAndFileName)
{
    CookieWindow fresh;
    fresh.FileName = "/src/main.c";
    ASSERT_TRUE(QXRequestCookie(&fresh, true));
    EXPECT_EQ(fresh.cookie, "");
    EXPECT_TRUE(qx::Registry().KeyExists("Software\\Quorvix\\Cookies\\CookieWindow"));

    fresh.toSave = "caret=12;bookmarks=1,5";
    ASSERT_TRUE(QXRequestCookie(&fresh, false));
    CookieWindow again;
    again.FileName = "/src/main.c";
    ASSERT_TRUE(QXRequestCookie(&again, true));
    EXPECT_EQ(again.cookie, "caret=12;bookmarks=1,5");

    OtherWindow otherClass;
    otherClass.FileName = "/src/main.c";
    ASSERT_TRUE(QXRequestCookie(&otherClass, true));
    EXPECT_EQ(otherClass.cookie, "");

    CookieWindow untitled;
    untitled.toSave = "untitled state";
    ASSERT_TRUE(QXRequestCookie(&untitled, false));
    qx::Registry r;
    ASSERT_TRUE(r.OpenKey("Software\\Quorvix\\Cookies\\CookieWindow", false));
    EXPECT_EQ(r.ReadString(""), "untitled state");

    ThrowingWindow broken;
    EXPECT_FALSE(QXRequestCookie(&broken, false));
    EXPECT_FALSE(QXRequestCookie(nullptr, true));
}

TEST_F(Exports, ReloadSettingsReachesOnlyTheExactClass)
{
    CookieWindow a, b;
    OtherWindow c;
    for (TQX_PluginWindow* w : std::initializer_list<TQX_PluginWindow*> {&a, &b, &c})
        AddDocumentWindow(w);
    EXPECT_TRUE(QXReloadToolSettingsByClass("CookieWindow"));
    EXPECT_TRUE(QXReloadToolSettingsByClass("cookiewindow"));
    EXPECT_EQ(a.commands, std::vector<int> {QXC_RELOADSETTINGS});
    EXPECT_EQ(b.commands, std::vector<int> {QXC_RELOADSETTINGS});
    EXPECT_TRUE(c.commands.empty());
    for (TQX_PluginWindow* w : std::initializer_list<TQX_PluginWindow*> {&a, &b, &c})
        RemoveDocumentWindow(w);
}

TEST_F(Exports, WithoutAFrameTheFrameFunctionsFail)
{
    EXPECT_EQ(QXGetHwnd(), nullptr);
    EXPECT_FALSE(QXGetToolbarState(QX_TOOLBAR_FILE));
    EXPECT_FALSE(QXSetToolbarState(QX_TOOLBAR_FILE, true));
    EXPECT_FALSE(QXSetToolbarState(605, true));
    EXPECT_FALSE(QXSetProgressBarStatus(1, 2));
    EXPECT_FALSE(QXTryTerminateApp());
    EXPECT_FALSE(QXAboutBox(0, "caption", nullptr));
    EXPECT_FALSE(QXInstallMenuItem(nullptr));
    EXPECT_FALSE(QXGetMenuItemInfo(nullptr));
    EXPECT_FALSE(QXUninstallMenuItem(nullptr));
}

TEST_F(Exports, ShellFontScriptTokensAndIconHandles)
{
    unsigned char buffer[256];
    QXGetShellFont(buffer);
    std::string font(reinterpret_cast<char*>(buffer + 1), buffer[0]);
    EXPECT_EQ(font, GetShellFont());

    EXPECT_FALSE(QXGetValidScriptTokens(nullptr));
    QStringList tokens {"old"};
    SetHostApiProviders({[] { return QStringList {"function MessageBox(Text: string): Integer;"}; }, nullptr, nullptr});
    ASSERT_TRUE(QXGetValidScriptTokens(&tokens));
    EXPECT_EQ(tokens, QStringList {"function MessageBox(Text: string): Integer;"});
    SetHostApiProviders({});

    EXPECT_FALSE(QXGetScriptsDirectory(nullptr));
    QString scripts;
    ASSERT_TRUE(QXGetScriptsDirectory(&scripts));
    EXPECT_EQ(scripts.toStdString(), GetScriptsDir());

    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::red);
    QIcon icon(pixmap);
    uint32_t handle = IconHandleFor(icon);
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(IconHandleFor(icon), handle);
    EXPECT_EQ(QXGetIconByHandle(handle).cacheKey(), icon.cacheKey());
    EXPECT_TRUE(QXGetIconByHandle(0).isNull());
    EXPECT_TRUE(QXGetIconByHandle(handle + 100).isNull());
}

// QXSaveFile takes the content piece by piece and replaces the file only
// when all of it arrived; a content procedure that gives up, a missing name
// and a folder in the way keep the old file and say why, cut to the
// caller's buffer at a character boundary.
TEST_F(Exports, SaveFileReplacesWholeOrNotAtAll)
{
    qxtest::TempDir dir;
    const std::string path = dir.file("data.txt");
    qxtest::WriteFile(path, "old");
    struct Pieces {
        int left;
        static int64_t Give(void* context, char* buffer, int64_t capacity)
        {
            auto* p = static_cast<Pieces*>(context);
            if (p->left < 0)
                return -1;
            if (p->left-- == 0)
                return 0;
            EXPECT_GE(capacity, 3);
            std::memcpy(buffer, "abc", 3);
            return 3;
        }
    };
    char reason[64] = {};
    Pieces three {3};
    ASSERT_TRUE(QXSaveFile(path.c_str(), &Pieces::Give, &three, reason, sizeof reason));
    EXPECT_EQ(qxtest::ReadFile(path), "abcabcabc");

    Pieces refusing {-1};
    EXPECT_FALSE(QXSaveFile(path.c_str(), &Pieces::Give, &refusing, reason, sizeof reason));
    EXPECT_STREQ(reason, "ukládání bylo přerušeno");
    EXPECT_FALSE(QXSaveFile(nullptr, &Pieces::Give, &three, reason, sizeof reason));
    EXPECT_FALSE(QXSaveFile(dir.path().c_str(), &Pieces::Give, &three, nullptr, 0));
    // "na místě souboru je složka" cut to the buffer, never inside the "í".
    Pieces again {1};
    EXPECT_FALSE(QXSaveFile(dir.path().c_str(), &Pieces::Give, &again, reason, 7));
    EXPECT_STREQ(reason, "na mí");
    EXPECT_FALSE(QXSaveFile(dir.path().c_str(), &Pieces::Give, &again, reason, 6));
    EXPECT_STREQ(reason, "na m");
    EXPECT_EQ(qxtest::ReadFile(path), "abcabcabc");
}

TEST_F(Exports, TerminateEndsTheProcessAtOnceWithCodeZero)
{
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::atexit([] { _exit(7); });
        QXTerminateApp();
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace

#include "ExportsTest.moc"
