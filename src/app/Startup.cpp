#include "app/Startup.h"

#include "frame/FrameWindow.h"
#include "kernel/AppInfo.h"
#include "kernel/Application.h"
#include "kernel/CommandLine.h"
#include "kernel/Helpers.h"
#include "kernel/Kernel.h"
#include "kernel/Language.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "kernel/SingleInstance.h"
#include "kernel/VersionStamp.h"
#include "platform/ProcessExit.h"
#include "platform/Registry.h"
#include "plugins/Cookies.h"
#include "plugins/ExportsDef.h"
#include "scripting/Scripting.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QMessageBox>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

std::string executableDirectory(const char* argv0)
{
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        exe = std::filesystem::absolute(argv0, ec);
    return exe.parent_path().string() + "/";
}

std::string joinCommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        if (i)
            line += ' ';
        line += a.find(' ') != std::string::npos ? "\"" + a + "\"" : a;
    }
    return line;
}

void initializeModules(int argc, char** argv)
{
    InitEventLog(joinCommandLine(argc, argv));
    LoadSettings();
    GetCommandLineFiles().clear();
    InitKernelHandler();
    InitCookies();
}

void finalizeModules()
{
    FinalizeKernelHandler();
    FinalizeEventLog();
}

// Qt loads every image format plug-in it has (with the libraries behind
// them) at the first picture it reads, whatever its format: here the first
// toolbar's icon. Building the window reads no picture (the style's own
// images are read when shown), so a worker loads them from the moment the
// window is shown, beside the rest of the start (the plug-ins, the session);
// the first paint finds them loaded or waits for the last one. Any earlier
// it would only take the processor from the building of the window.
class TImageFormatsWarmUp {
public:
    TImageFormatsWarmUp()
        : worker_([] { QImageReader::supportedImageFormats(); })
    {
    }
    ~TImageFormatsWarmUp() { worker_.join(); }

private:
    std::thread worker_;
};

// The registry writes on the way to the first window (the defaults of a
// first start, the version stamp, the lists the frame keeps) go out in one
// replacement of the store instead of one each.
void commitStartWrites(std::unique_ptr<qx::RegistryBatch>& batch)
{
    if (!batch)
        return;
    try {
        batch->Commit();
    } catch (const std::exception&) {
        ReportKernelWarning("_qxrel32", std::nullopt, "Unable to connect with local registry.");
    }
    batch.reset();
}

} // namespace

void PrepareApplication(QApplication& app)
{
    // The name only: a display name would be appended by Qt to every window
    // title, and every window of the program has its own exact caption.
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    QApplication::setApplicationVersion(QString::fromStdString(InstalledVersionText()));
    // Ties the windows to the installed desktop entry (its icon and name).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.quorvix.Quorvix"));
    QApplication::setFont(QFont(QString::fromStdString(GetShellFont()), QApplication::font().pointSize()));
    InstallCzechTranslations(app);
    // The application object took the C library's locale from the
    // environment; numbers are read and written by the script engine and the
    // settings store with a decimal point whatever the user's language.
    std::setlocale(LC_NUMERIC, "C");
}

int RunQuorvix(int argc, char** argv)
{
    // Linux conventions, answered before anything starts.
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help") {
            std::string text;
            for (char c : CommandLineHelpText())
                if (c != '\r')
                    text += c;
            text += "\n\n[--new-window] details:\n"
                    "  --new-window\t-starts a program of its own; without it, files are handed to the program already running";
            std::printf("%s\n", text.c_str());
            return 0;
        }
        if (a == "--version") {
            std::printf("%s %s\n", kApplicationTitle, InstalledVersionText().c_str());
            return 0;
        }
    }

    SetProgramDirectory(executableDirectory(argv[0]));
    // A second start that gave up on this program, a tool that ended before
    // reading what it was sent: a closed peer never ends this program.
    qx::SurviveBrokenPipes();

    // Qt reads some arguments itself (-style, -platform...); the program's
    // arguments are its own, so Qt sees only the program path.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    TQXApplication app(qtArgc, qtArgv);

    // A program already running for this user takes the files of this start,
    // before this one touches the event log or the settings.
    TSingleInstance instance;
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (TSingleInstance::WantsHandOver(args)) {
        QStringList files;
        for (QString arg : args) {
            if (arg.size() >= 2 && arg.startsWith(QLatin1Char('"')) && arg.endsWith(QLatin1Char('"')))
                arg = arg.mid(1, arg.size() - 2);
            files << QFileInfo(arg).absoluteFilePath();
        }
        if (instance.HandOverOrListen(files))
            return 0;
    } else {
        instance.Listen();
    }
    std::optional<TImageFormatsWarmUp> imageFormats;

    auto startWrites = std::make_unique<qx::RegistryBatch>();
    initializeModules(argc, argv);

    LogEvent("_qxrel32: Checking installed version...");
    StampInstalledVersion();

    LogEvent("_qxrel32: Parsing cmd line...");
    ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));

    LogEvent("_qxrel32: Initializing server...");
    PrepareApplication(app);

    std::unique_ptr<TFrameWindowForm> mainWindow;
    try {
        mainWindow = std::make_unique<TFrameWindowForm>();
        TFrameWindowForm* frame = mainWindow.get();
        THostApiProviders providers;
        providers.SetProgress = [frame](int position, int total) { frame->SetProgressBarStatus(position, total); };
        providers.Toolbar = [frame](int id) { return frame->ToolbarByNumber(id); };
        providers.ScriptTokens = [] { return ScriptTokens(); };
        SetHostApiProviders(providers);
        Kernel()->SetMainWindow(frame);
        instance.SetReceiver([frame](const QStringList& files) { frame->OpenFilesFromOutside(files); });
        mainWindow->show();
        imageFormats.emplace();
        // Stored once the window is up: the store is replaced on the disk
        // and made durable, a wait the window need not sit behind. The
        // values are read from the held batch meanwhile.
        commitStartWrites(startWrites);
    } catch (const std::exception& e) {
        commitStartWrites(startWrites);
        Kernel()->HandleException(nullptr, e);
    }

    LogEvent("_qxrel32: Application starting...");
    int code = app.exec();
    LogEvent("_qxrel32: Terminating application.");
    mainWindow.reset();
    finalizeModules();
    return code;
}
