// The contract types: the command bit set, the entry record's copy, and the
// one-copy rule that makes casts of plug-in windows work in the host.
#include "PluginTestSupport.h"

#include "QX_Types.h"
#include "plugins/PluginManagement.h"

#include <dlfcn.h>

TEST(CommandSet, BitNIsBitNMod8OfByteNDiv8)
{
    struct Case {
        int code;
        int byte;
        uint8_t mask;
    };
    for (Case c : {Case {QXC_BGCOLOR, 0, 0x01}, Case {QXC_ITALIC, 1, 0x02}, Case {QXC_LOADFILE, 1, 0x08},
             Case {QXC_SAVE, 3, 0x01}, Case {QXC_UNDO, 4, 0x04}, Case {QXC_SHOWERROR, 4, 0x08}, Case {47, 5, 0x80}}) {
        TQX_CommandSet set;
        set.Set(c.code);
        for (int b = 0; b < 6; ++b)
            EXPECT_EQ(set.Bits[b], b == c.byte ? c.mask : 0) << "code " << c.code << " byte " << b;
        EXPECT_TRUE(set.Contains(c.code));
        set.Set(c.code, false);
        EXPECT_TRUE(set.IsEmpty());
    }
    TQX_CommandSet set;
    for (int outside : {-1, 48, 255})
        set.Set(outside);
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_FALSE(set.Contains(-1));
    EXPECT_FALSE(set.Contains(48));
}

TEST(PluginEntryInfo, CopyTakesEveryFieldAndStaysIndependent)
{
    TQX_PluginEntryInfo source;
    source.CanCreateFile = true;
    source.Name = QStringLiteral("Text");
    source.Filter = QStringLiteral("Text files|*.txt");
    source.Flags = QX_FLAG_DEFAULT_NEW;
    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::red);
    source.Icon = QIcon(pixmap);
    source.HasFilter = true;
    source.Index = 3;
    source.Kind = QX_KIND_FILE_DOCUMENT;
    source.CreateWindow = [](TQX_Application*) -> TQX_PluginWindow* { return nullptr; };
    source.CanOpenFile = [](const QString&) -> uint8_t { return 2; };

    TQX_PluginEntryInfo copy;
    copy.Assign(source);
    TQX_PluginEntryInfo constructed(source);
    for (const TQX_PluginEntryInfo* c : {&copy, &constructed}) {
        EXPECT_TRUE(c->CanCreateFile);
        EXPECT_EQ(c->Name, source.Name);
        EXPECT_EQ(c->Filter, source.Filter);
        EXPECT_EQ(c->Flags, source.Flags);
        EXPECT_EQ(c->Icon.pixmap(8, 8).toImage(), pixmap.toImage());
        EXPECT_TRUE(c->HasFilter);
        EXPECT_EQ(c->Index, 3);
        EXPECT_EQ(c->Kind, QX_KIND_FILE_DOCUMENT);
        EXPECT_EQ(c->CreateWindow, source.CreateWindow);
        EXPECT_EQ(c->CanOpenFile, source.CanOpenFile);
    }
    source.Name = QStringLiteral("changed");
    source.Icon = QIcon();
    EXPECT_EQ(copy.Name, QStringLiteral("Text"));
    EXPECT_FALSE(copy.Icon.isNull());
}

using ContractTest = PluginFixture;

// The probe hides its own symbols and has its own Q_OBJECT window class; the
// casts only work if the probe's window derives from the host's one copy of
// TQX_PluginWindow (vtable, type_info and meta-object).
TEST_F(ContractTest, CastsOfAPluginWindowWorkInTheHost)
{
    std::string path = InstallProbe(pluginDir(), "probe.so", "entry=0,Doc,0,1,none,,,make\n");
    auto plugin = LoadedPlugin(path);
    TQX_PluginWindow* launched = plugin->GetEntry(0)->Launch(QString());
    ASSERT_NE(launched, nullptr);
    QWidget* widget = launched;
    QObject* object = launched;

    EXPECT_EQ(qobject_cast<TQX_PluginWindow*>(widget), launched);
    EXPECT_EQ(dynamic_cast<TQX_PluginWindow*>(object), launched);
    EXPECT_TRUE(widget->inherits("TQX_PluginWindow"));
    EXPECT_STREQ(widget->metaObject()->className(), "TProbeWindow");
    EXPECT_EQ(widget->metaObject()->superClass(), &TQX_PluginWindow::staticMetaObject);
    delete widget;
}

// Only plug-ins carry the SDK stamp: a plug-in without one must not find the
// host library's through its dependencies.
TEST_F(ContractTest, OnlyThePluginCarriesTheSdkStamp)
{
    std::string path = InstallProbe(pluginDir(), "probe.so", "");
    void* probe = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(probe, nullptr) << dlerror();
    auto* stamp = static_cast<const TQX_SdkStamp*>(dlsym(probe, QX_SDK_STAMP_NAME));
    ASSERT_NE(stamp, nullptr);
    EXPECT_EQ(stamp->Magic, QX_SDK_STAMP_MAGIC);
    EXPECT_EQ(stamp->SdkMajor, QX_SDK_VERSION_MAJOR);
    EXPECT_EQ(stamp->SdkMinor, QX_SDK_VERSION_MINOR);
    EXPECT_EQ(stamp->QtMajor, QT_VERSION_MAJOR);

    Dl_info where {};
    ASSERT_NE(dladdr(stamp, &where), 0);
    EXPECT_EQ(std::string(where.dli_fname), path);
    dlclose(probe);

    void* host = dlopen("libqxhost.so", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(host, nullptr) << dlerror();
    EXPECT_EQ(dlsym(host, QX_SDK_STAMP_NAME), nullptr);
    dlclose(host);
}
