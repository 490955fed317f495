// Per-document cookies are keyed by file name: every name a file can have on
// this system keeps its own cookie, and survives a restart of the program.
#include "QX_Types.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/Cookies.h"
#include "platform/Registry.h"

#include "KernelFixture.h"
#include "TestEnv.h"

#include <gtest/gtest.h>

namespace {

class CookieJarWindow : public TQX_PluginWindow {
    Q_OBJECT
public:
    QString cookie = "unset";
    QString toSave;
    void LoadCookie(const QString& c) override { cookie = c; }
    void SaveCookie(QString& c) override { c = toSave; }
};

class Cookies : public qxtest::KernelFixture {
protected:
    void SetUp() override
    {
        KernelFixture::SetUp();
        InitCookies();
    }

    void save(const QString& fileName, const QString& text)
    {
        CookieJarWindow w;
        w.FileName = fileName;
        w.toSave = text;
        ASSERT_TRUE(SaveWindowCookie(&w)) << fileName.toStdString();
    }

    std::string load(const QString& fileName)
    {
        CookieJarWindow w;
        w.FileName = fileName;
        EXPECT_TRUE(LoadWindowCookie(&w)) << fileName.toStdString();
        return w.cookie.toStdString();
    }
};

TEST_F(Cookies, EveryFileNameKeepsItsOwnCookieAcrossARestart)
{
    const QStringList names = {"/a/X.txt", "/a/x.txt", "/a/new\nline.txt", "/a/\"quoted\" name.txt",
        "/a/back\\slash.txt", "/a/[x]=y.txt", "/a/ends with blank ", "/a/příliš.txt", ""};
    for (int i = 0; i < names.size(); ++i)
        save(names[i], QStringLiteral("caret=%1:0").arg(i));
    // A restart reads the file afresh.
    qxtest::WriteFile(home.registryFile(), qxtest::ReadFile(home.registryFile()));
    LoadSettings();
    EXPECT_TRUE(qx::Registry::LoadProblems().empty());
    for (int i = 0; i < names.size(); ++i)
        EXPECT_EQ(load(names[i]), "caret=" + std::to_string(i) + ":0") << names[i].toStdString();
    EXPECT_EQ(load("/A/x.txt"), "");
}

} // namespace

#include "CookiesTest.moc"
