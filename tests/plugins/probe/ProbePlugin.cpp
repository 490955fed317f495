// The probe plug-in: a real shared library that tests load through the host.
// Each copy reads how to behave from "<its own path>.probe" whenever it
// receives a message and, while that file exists, appends what it receives to
// "<its own path>.log", one line per event. Without the file it is a
// well-behaved plug-in with one document entry.
//
// Configuration lines (key=value, '#' starts a comment):
//   answer.QXM_<NAME>=N   result of that message (default 1; QXM_QUERY_ENTRY_COUNT
//                         defaults to the number of entry lines)
//   throw=QXM_<NAME>      throw std::runtime_error in that message (repeatable)
//   throwunknown=QXM_<NAME> throw an int (not a std::exception) in that message
//   call.QXM_<NAME>=HOSTFUNCTION[@MS] call the host function in that message
//                         (on the thread of the message), or MS milliseconds
//                         later on the GUI thread; only QXTryTerminateApp
//   noapp=1               leave TQX_PluginInfo::Application null
//   name=, fullname=, icon=<image file>, about=1 (set OnAbout)
//   entry=kind,name,flags,cancreate,canopen,icon,filter,window
//       canopen: none (null function), N (always N) or N:suffix (N for names
//       ending with suffix, else 0); window: none (null CreateWindow), null
//       (returns null), make, throw, refuse (a window that does not take the
//       file of QXC_LOADFILE, as a plug-in that cannot read it);
//       window.throw=CODE makes the windows throw in Command(CODE).
//
// A window given the property "probeText" (a test sets it along with
// Modified) saves on QXC_SAVE: it writes that text to FileName and clears
// Modified. Without it QXC_SAVE changes nothing.
#include "QX_Exports.h"
#include "QX_Types.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTextStream>
#include <QVariant>
#include <QThread>
#include <QTimer>

#include <dlfcn.h>

#include <array>
#include <map>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

const int kMaxProbeEntries = 16;

struct ProbeEntry {
    int kind = QX_KIND_DOCUMENT;
    QString name;
    uint32_t flags = 0;
    bool canCreate = false;
    QString canOpen = QStringLiteral("none");
    QString icon;
    QString filter;
    QString window = QStringLiteral("make");
};

ProbeEntry defaultEntry()
{
    ProbeEntry e;
    e.name = QStringLiteral("Probe document");
    return e;
}

struct ProbeConfig {
    bool present = false;
    std::map<QString, int32_t> answers;
    std::set<QString> throwIn, throwUnknownIn;
    std::map<QString, QString> calls;
    bool noApp = false;
    QString name = QStringLiteral("Probe"), fullName = QStringLiteral("Probe plug-in"), icon;
    bool about = false;
    std::vector<ProbeEntry> entries {defaultEntry()};
    int windowThrowCode = -1;
};

ProbeConfig config;
TQX_Application probeApplication;

QString ownPath()
{
    Dl_info info {};
    dladdr(reinterpret_cast<void*>(&ownPath), &info);
    return QString::fromLocal8Bit(info.dli_fname ? info.dli_fname : "");
}

void record(const QString& line)
{
    if (!config.present)
        return;
    QFile log(ownPath() + QStringLiteral(".log"));
    if (log.open(QIODevice::Append | QIODevice::Text))
        log.write((line + QLatin1Char('\n')).toUtf8());
}

void readConfig()
{
    config = ProbeConfig {};
    QFile file(ownPath() + QStringLiteral(".probe"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    config.present = true;
    bool entriesGiven = false;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        QString line = raw.section(QLatin1Char('#'), 0, 0).trimmed();
        int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        QString key = line.left(eq), value = line.mid(eq + 1);
        if (key.startsWith(QLatin1String("answer.")))
            config.answers[key.mid(7)] = value.toInt();
        else if (key == QLatin1String("throw"))
            config.throwIn.insert(value);
        else if (key.startsWith(QLatin1String("call.")))
            config.calls[key.mid(5)] = value;
        else if (key == QLatin1String("throwunknown"))
            config.throwUnknownIn.insert(value);
        else if (key == QLatin1String("noapp"))
            config.noApp = value == QLatin1String("1");
        else if (key == QLatin1String("name"))
            config.name = value;
        else if (key == QLatin1String("fullname"))
            config.fullName = value;
        else if (key == QLatin1String("icon"))
            config.icon = value;
        else if (key == QLatin1String("about"))
            config.about = value == QLatin1String("1");
        else if (key == QLatin1String("window.throw"))
            config.windowThrowCode = value.toInt();
        else if (key == QLatin1String("entry")) {
            if (!entriesGiven)
                config.entries.clear();
            entriesGiven = true;
            QStringList f = value.split(QLatin1Char(','));
            while (f.size() < 8)
                f << QString();
            config.entries.push_back(ProbeEntry {f[0].toInt(), f[1], f[2].toUInt(), f[3] == QLatin1String("1"),
                f[4].isEmpty() ? QStringLiteral("none") : f[4], f[5], f[6],
                f[7].isEmpty() ? QStringLiteral("make") : f[7]});
        }
    }
    if (!entriesGiven)
        config.entries.clear();
}

const char* messageName(int32_t message)
{
    static const char* const names[] = {"", "QXM_INITIALIZE", "QXM_FINALIZE", "QXM_ATTACH", "QXM_DETACH",
        "QXM_QUERY_INFO", "QXM_QUERY_ENTRY_COUNT", "QXM_QUERY_ENTRY", "QXM_QUERY_UNLOAD"};
    return message >= 1 && message <= 8 ? names[message] : "QXM_UNKNOWN";
}

QString threadName()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread() ? QStringLiteral("gui")
                                                                              : QStringLiteral("worker");
}

class TProbeWindow : public TQX_PluginWindow {
    Q_OBJECT
public:
    TProbeWindow(int entry, bool refusesFiles)
        : entry_(entry)
        , refusesFiles_(refusesFiles)
    {
        setObjectName(QStringLiteral("ProbeWindow%1").arg(entry));
        Commands.Set(QXC_SAVE);
        Commands.Set(QXC_COPY);
    }
    ~TProbeWindow() override { record(QStringLiteral("destroyed %1").arg(entry_)); }

    void Command(uint8_t code, void* param) override
    {
        QString line = QStringLiteral("command %1").arg(code);
        if (code == QXC_LOADFILE && !refusesFiles_) {
            FileName = QX_FileNameParam(param);
            line += QLatin1Char(' ') + FileName;
        }
        if (code == QXC_GOTOLINE && param) {
            const auto* place = static_cast<const TQX_TextPosition*>(param);
            line += QStringLiteral(" %1:%2").arg(place->Line).arg(place->Column);
        }
        record(line);
        if (code == QXC_GETTEXT && param) {
            auto* document = static_cast<TQX_DocumentText*>(param);
            document->Text = property("probeText").toString();
            document->Language = property("probeLanguage").toString();
            document->Length = document->Text.size();
        }
        if (code == config.windowThrowCode)
            throw std::runtime_error("probe window: command failed");
        const QVariant text = property("probeText");
        if (code == QXC_SAVE && text.isValid() && !FileName.isEmpty()) {
            QFile file(FileName);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toString().toUtf8()) >= 0) {
                file.close();
                Modified = false;
                NotifyStateChange();
            }
        }
    }
    void LoadCookie(const QString& cookie) override { record(QStringLiteral("loadcookie ") + cookie); }

private:
    int entry_;
    bool refusesFiles_;
};

template <int I>
uint8_t canOpen(const QString& fileName)
{
    const QString& rule = config.entries[I].canOpen;
    record(QStringLiteral("canopen %1 %2").arg(I).arg(fileName));
    int colon = rule.indexOf(QLatin1Char(':'));
    uint8_t answer = uint8_t(rule.left(colon).toInt());
    if (colon >= 0 && !fileName.endsWith(rule.mid(colon + 1)))
        return 0;
    return answer;
}

template <int I>
TQX_PluginWindow* createWindow(TQX_Application* application)
{
    const QString& how = config.entries[I].window;
    record(QStringLiteral("create %1 %2 %3").arg(I).arg(threadName()).arg(application ? 1 : 0));
    if (how == QLatin1String("throw"))
        throw std::runtime_error("probe: cannot create window");
    if (how == QLatin1String("null"))
        return nullptr;
    return new TProbeWindow(I, how == QLatin1String("refuse"));
}

template <int... I>
constexpr auto makeTables(std::integer_sequence<int, I...>)
{
    return std::pair {std::array<TQX_CanOpenFileProc, sizeof...(I)> {&canOpen<I>...},
        std::array<TQX_CreateWindowProc, sizeof...(I)> {&createWindow<I>...}};
}
const auto tables = makeTables(std::make_integer_sequence<int, kMaxProbeEntries> {});

void fillEntry(TQX_PluginEntryInfo* info)
{
    int i = info->Index;
    if (i < 0 || i >= int(config.entries.size()) || i >= kMaxProbeEntries)
        return;
    const ProbeEntry& e = config.entries[i];
    info->Kind = uint8_t(e.kind);
    info->Name = e.name;
    info->Flags = e.flags;
    info->CanCreateFile = e.canCreate;
    info->CanOpenFile = e.canOpen == QLatin1String("none") ? nullptr : tables.first[i];
    info->CreateWindow = e.window == QLatin1String("none") ? nullptr : tables.second[i];
    if (!e.icon.isEmpty())
        info->Icon = QIcon(e.icon);
    info->Filter = e.filter;
    info->HasFilter = !e.filter.isEmpty();
}

void callHost(const QString& function)
{
    if (function == QLatin1String("QXTryTerminateApp"))
        record(QStringLiteral("called QXTryTerminateApp %1 %2").arg(threadName()).arg(QXTryTerminateApp() ? 1 : 0));
}

// "FUNCTION" now, on this thread; "FUNCTION@MS" that much later on the GUI thread.
void scheduleCall(const QString& call)
{
    const QString function = call.section(QLatin1Char('@'), 0, 0);
    if (!call.contains(QLatin1Char('@'))) {
        callHost(function);
        return;
    }
    const int delay = call.section(QLatin1Char('@'), 1).toInt();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [function, delay] { QTimer::singleShot(delay, [function] { callHost(function); }); },
        Qt::QueuedConnection);
}

} // namespace

QX_PLUGIN_EXPORT int32_t QXPluginProc(int32_t message, void* param)
{
    // Read at every message, so a test can change the answers of a loaded copy.
    readConfig();
    const QString name = QString::fromLatin1(messageName(message));
    QString line = QStringLiteral("message ") + name + QLatin1Char(' ') + threadName();
    if (message == QXM_QUERY_ENTRY)
        line += QStringLiteral(" %1").arg(static_cast<TQX_PluginEntryInfo*>(param)->Index);
    record(line);

    if (config.throwIn.count(name))
        throw std::runtime_error(std::string("probe: thrown in ") + messageName(message));
    if (config.throwUnknownIn.count(name))
        throw 42;

    int32_t result = 1;
    if (message == QXM_QUERY_ENTRY_COUNT)
        result = int32_t(config.entries.size());
    if (auto it = config.answers.find(name); it != config.answers.end())
        result = it->second;

    if (message == QXM_QUERY_INFO) {
        auto* info = static_cast<TQX_PluginInfo*>(param);
        info->Name = config.name;
        info->FullName = config.fullName;
        if (!config.icon.isEmpty())
            info->Icon = QIcon(config.icon);
        info->Application = config.noApp ? nullptr : &probeApplication;
        if (config.about)
            info->OnAbout = [](QObject* sender) { record(QStringLiteral("about %1").arg(sender ? 1 : 0)); };
    }
    if (message == QXM_QUERY_ENTRY)
        fillEntry(static_cast<TQX_PluginEntryInfo*>(param));
    if (auto it = config.calls.find(name); it != config.calls.end())
        scheduleCall(it->second);
    return result;
}

// For the tests: the probe's application object, to check what the host wrote.
QX_PLUGIN_EXPORT TQX_Application* ProbeApplicationObject()
{
    return &probeApplication;
}

#include "ProbePlugin.moc"
