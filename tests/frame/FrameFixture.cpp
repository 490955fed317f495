#include "FrameFixture.h"

#include "QX_Types.h"
#include "frame/NewDocument.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginManagement.h"
#include "plugins/PluginWindowList.h"
#include "ui/QXMessageBox.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class CloseRefuser : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        event->ignore();
        return true;
    }
};

} // namespace

void FrameFixture::SetUp()
{
    SetProgramDirectory(home.programDir());
    InitEventLog("qxrel32 test");
    LoadSettings();
    SetPluginPause(false);
    SetDemoMode(false);
    SetTipOfTheDayEnabled(false);
    SetMessageBoxPresenter([this](TQXMessageBoxForm& form) {
        messages.push_back(form.Label1->text());
        return answerMessage ? answerMessage(form.Label1->text()) : int(TQXMessageBoxForm::Cancel);
    });
    TNewDocumentForm::SetPresenter([this](TNewDocumentForm& form) {
        dialogs.push_back({form.PageControl->currentIndex(), form.FileNameEdit->text()});
        return int(QDialog::Rejected);
    });
}

void FrameFixture::DestroyFrame()
{
    // The windows' code lives in the plug-ins: windows go first.
    frame.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (int i = GetDocumentWindowCount(); i-- > 0;)
        delete GetDocumentWindow(i);
    while (GetPluginCount() > 0)
        delete DeletePlugin(0);
}

void FrameFixture::TearDown()
{
    DestroyFrame();
    SetMessageBoxPresenter(nullptr);
    TNewDocumentForm::SetPresenter(nullptr);
    SetDemoMode(false);
}

std::string FrameFixture::InstallProbe(const std::string& name, const std::string& behaviour)
{
    const std::string dir = GetPluginsDir();
    fs::create_directories(dir);
    const std::string target = dir + name;
    fs::copy_file(std::string(QX_TEST_PLUGIN_DIR) + "qxprobe.so", target, fs::copy_options::overwrite_existing);
    qxtest::WriteFile(target + ".probe", behaviour);
    return target;
}

void FrameFixture::StartFrame()
{
    frame = std::make_unique<TFrameWindowForm>();
    frame->SetProcessEnd([this] { ++processEnds; });
    frame->show();
    ASSERT_TRUE(WaitFor([this] { return frame->Initialized(); }, 20000));
    FlushUpdate();
}

bool FrameFixture::WaitFor(const std::function<bool()>& done, int milliseconds)
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

void FrameFixture::Spin(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void FrameFixture::FlushUpdate()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (auto* timer = frame->findChild<QTimer*>(QStringLiteral("_ToolbarUpdateTimer")); timer && timer->isActive())
        frame->UpdateToolbars();
}

QString FrameFixture::MakeFile(const std::string& name, const std::string& content) const
{
    const std::string path = home.dir().file(name);
    qxtest::WriteFile(path, content);
    return QString::fromStdString(path);
}

std::vector<std::string> FrameFixture::ProbeLog(const std::string& library)
{
    std::vector<std::string> lines;
    std::ifstream in(library + ".log");
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int FrameFixture::CountLines(const std::vector<std::string>& log, const std::string& line)
{
    int n = 0;
    for (const std::string& l : log)
        n += l == line;
    return n;
}

void FrameFixture::RefuseClose(TQX_PluginWindow* window)
{
    window->installEventFilter(new CloseRefuser(window));
}
