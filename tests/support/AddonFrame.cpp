#include "AddonFrame.h"

#include "frame/FrameWindow.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "ui/QXMessageBox.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>

#include <filesystem>

namespace fs = std::filesystem;

void AddonFrameFixture::StartFrame(const std::vector<std::string>& libraries)
{
    if (!kernelReady_) {
        SetProgramDirectory(home.programDir());
        InitEventLog("qxrel32 addon test");
        LoadSettings();
        SetPluginPause(false);
        SetDemoMode(false);
        SetTipOfTheDayEnabled(false);
        SetMessageBoxPresenter([this](TQXMessageBoxForm& form) {
            hostMessages.push_back(form.Label1->text());
            return int(TQXMessageBoxForm::Cancel);
        });
        kernelReady_ = true;
    }
    const std::string dir = GetPluginsDir();
    fs::create_directories(dir);
    for (const std::string& library : libraries)
        fs::copy_file(library, dir + fs::path(library).filename().string(), fs::copy_options::overwrite_existing);
    frame = std::make_unique<TFrameWindowForm>();
    frame->SetProcessEnd([] {});
    frame->resize(1000, 700);
    frame->show();
    ASSERT_TRUE(WaitFor([this] { return frame->Initialized(); }, 20000));
    modal.StartAnswering();
    flushUpdate();
}

void AddonFrameFixture::StopFrame()
{
    modal.StopAnswering();
    // The windows' code lives in the plug-ins: windows go first.
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int i = GetDocumentWindowCount(); i-- > 0;)
        delete GetDocumentWindow(i);
    while (GetPluginCount() > 0)
        delete DeletePlugin(0);
}

void AddonFrameFixture::RestartFrame()
{
    StopFrame();
    StartFrame({});
}

std::vector<std::string> AddonFrameFixture::LibraryList(const QString& joined)
{
    std::vector<std::string> libraries;
    for (const QString& path : joined.split(u'|', Qt::SkipEmptyParts))
        libraries.push_back(path.toStdString());
    return libraries;
}

void AddonFrameFixture::TearDown()
{
    StopFrame();
    SetMessageBoxPresenter(nullptr);
}

TQX_PluginWindow* AddonFrameFixture::Open(const QString& fileName)
{
    return Open(fileName, TFrameWindowForm::DefaultEntryID());
}

TQX_PluginWindow* AddonFrameFixture::Open(const QString& fileName, const QString& entryId)
{
    TQX_PluginWindow* window = frame->OpenFile(fileName, entryId);
    QCoreApplication::processEvents();
    flushUpdate();
    return window;
}

TQX_PluginEntry* AddonFrameFixture::Entry(const QString& name)
{
    for (int p = 0; p < GetPluginCount(); ++p)
        for (int e = 0; e < GetPlugin(p)->GetEntryCount(); ++e)
            if (GetPlugin(p)->GetEntry(e)->GetName() == name)
                return GetPlugin(p)->GetEntry(e);
    return nullptr;
}

QString AddonFrameFixture::Label(const QWidget* window, const char* objectName)
{
    const auto* label = window->findChild<QLabel*>(QString::fromLatin1(objectName));
    return label ? label->text() : QStringLiteral("<none>");
}

void AddonFrameFixture::flushUpdate()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (auto* timer = frame->findChild<QTimer*>(QStringLiteral("_ToolbarUpdateTimer")); timer && timer->isActive())
        frame->UpdateToolbars();
}

bool AddonFrameFixture::Enabled(FrameAction action)
{
    flushUpdate();
    return frame->Action(action)->isEnabled();
}

bool AddonFrameFixture::Trigger(FrameAction action)
{
    if (!Enabled(action))
        return false;
    frame->Action(action)->trigger();
    QCoreApplication::processEvents();
    flushUpdate();
    return true;
}

QString AddonFrameFixture::AboutBox(const QString& pluginName, QString* caption)
{
    TQX_Plugin* plugin = nullptr;
    for (int p = 0; p < GetPluginCount(); ++p)
        if (GetPlugin(p)->GetName() == pluginName)
            plugin = GetPlugin(p);
    if (!plugin) {
        ADD_FAILURE() << "no plug-in " << pluginName.toStdString();
        return {};
    }
    QString body;
    modal.answers.push_back([&body, caption](QWidget* dialog) {
        for (QLabel* label : dialog->findChildren<QLabel*>())
            body += label->text() + u'\n';
        *caption = dialog->windowTitle();
        dialog->close();
    });
    plugin->ShowAbout();
    return body;
}

bool AddonFrameFixture::WaitFor(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void AddonFrameFixture::Spin(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString AddonFrameFixture::WriteFile(const std::string& name, const QByteArray& bytes) const
{
    const QString path = QString::fromStdString(home.dir().file(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << name;
    return path;
}

QByteArray AddonFrameFixture::ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
