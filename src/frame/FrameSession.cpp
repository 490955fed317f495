#include "frame/FrameSession.h"

#include "QX_Types.h"
#include "frame/FrameWindow.h"
#include "kernel/Kernel.h"
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/PluginWindowList.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

#include <exception>
#include <string>

namespace {

const char* const kSessionModule = "Server\\FrameWindow";

std::string fileValue(size_t number)
{
    return "document " + std::to_string(number);
}

std::string entryValue(size_t number)
{
    return fileValue(number) + ", entry";
}

} // namespace

TDocumentSession CurrentDocumentSession()
{
    TDocumentSession session;
    TQX_PluginWindow* active = GetActiveDocumentWindow();
    for (int i = 0; i < GetDocumentWindowCount(); ++i) {
        TQX_PluginWindow* window = GetDocumentWindow(i);
        // A new document has no file to open again.
        if (window->FileName.isEmpty())
            continue;
        if (window == active) {
            session.Active = int(session.Documents.size());
            for (QWidget* w = window->parentWidget(); w; w = w->parentWidget())
                if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
                    session.Maximized = sub->isMaximized();
        }
        session.Documents.push_back({window->FileName, window->EntryID});
    }
    return session;
}

void SaveDocumentSession(const TDocumentSession& session)
{
    qx::Registry reg;
    // The old list goes whole: a shorter new one must not end in its tail.
    if (reg.KeyExists(kSessionKey) && !reg.DeleteKey(kSessionKey))
        throw qx::RegistryError(reg.LastError());
    if (session.Documents.empty())
        return;
    if (!reg.OpenKey(kSessionKey, true))
        throw qx::RegistryError(reg.LastError());
    for (size_t i = 0; i < session.Documents.size(); ++i) {
        reg.WriteString(fileValue(i + 1), session.Documents[i].FileName.toStdString());
        reg.WriteString(entryValue(i + 1), session.Documents[i].EntryID.toStdString());
    }
    const bool active = session.Active >= 0 && size_t(session.Active) < session.Documents.size();
    reg.WriteInteger("Active", active ? session.Active + 1 : 0);
    reg.WriteBool("Maximized", session.Maximized);
}

TDocumentSession LoadDocumentSession()
{
    TDocumentSession session;
    try {
        qx::Registry reg;
        if (!reg.KeyExists(kSessionKey) || !reg.OpenKey(kSessionKey, false))
            return session;
        for (size_t n = 1;; ++n) {
            if (reg.GetDataType(fileValue(n)) != qx::RegDataType::String)
                break;
            TSessionDocument document;
            document.FileName = QString::fromStdString(reg.ReadString(fileValue(n)));
            if (reg.GetDataType(entryValue(n)) == qx::RegDataType::String)
                document.EntryID = QString::fromStdString(reg.ReadString(entryValue(n)));
            session.Documents.push_back(document);
        }
        if (reg.GetDataType("Active") == qx::RegDataType::Integer) {
            const int active = reg.ReadInteger("Active");
            if (active >= 1 && size_t(active) <= session.Documents.size())
                session.Active = active - 1;
        }
        if (reg.GetDataType("Maximized") == qx::RegDataType::Integer)
            session.Maximized = reg.ReadBool("Maximized");
    } catch (const std::exception&) {
        // What was read up to the damage stays.
    }
    return session;
}

// ---------------------------------------------------------------------------
// The frame's part: keeping the session at close and opening it at start.
// ---------------------------------------------------------------------------

void TFrameWindowForm::rememberSession()
{
    // The documents of a project belong to the project, which keeps them in
    // its workspace; only loose documents make a session.
    closingSession_ = project_ ? TDocumentSession {} : CurrentDocumentSession();
}

void TFrameWindowForm::saveSession()
{
    try {
        // With the option off nothing is kept: a later start must not find
        // a list from long ago.
        SaveDocumentSession(ReopenDocumentsEnabled() ? closingSession_ : TDocumentSession {});
    } catch (const std::exception& e) {
        ReportKernelWarning(kSessionModule, KernelObjectOf(this),
            std::string("Unable to save the list of open documents: ") + e.what());
    }
}

void TFrameWindowForm::reopenSession()
{
    if (!ReopenDocumentsEnabled() || DemoMode() || project_)
        return;
    const TDocumentSession session = LoadDocumentSession();
    if (session.Documents.empty())
        return;
    LogEvent(std::string(kSessionModule) + ": reopening " + std::to_string(session.Documents.size()) +
        " document(s) of the last session");
    struct ProgressReset {
        TFrameWindowForm* frame;
        ~ProgressReset() { frame->ResetProgressBar(); }
    } reset {this};
    QPointer<TQX_PluginWindow> active;
    const int count = int(session.Documents.size());
    for (int i = 0; i < count; ++i) {
        SetProgressBarStatus(i + 1, count);
        const TSessionDocument& document = session.Documents[size_t(i)];
        const QFileInfo info(document.FileName);
        // A document that went away since costs a line in the log, not a
        // message box each.
        if (!info.isFile() || !info.isReadable()) {
            LogEvent(std::string(kSessionModule) + ": document of the last session skipped, " +
                (info.exists() ? "not readable: " : "not found: ") + document.FileName.toStdString());
            continue;
        }
        // The entry that showed it, while it is installed; else the one the
        // file's type chooses.
        QString entryId = document.EntryID;
        if (entryId.isEmpty() || !FindPluginEntryByID(entryId)) {
            bool askUser = false, noEntry = false;
            chooseEntry(document.FileName, askUser, noEntry);
            if (noEntry) {
                LogEvent(std::string(kSessionModule) + ": document of the last session skipped, no module opens it: " +
                    document.FileName.toStdString());
                continue;
            }
            entryId = DefaultEntryID();
        }
        TQX_PluginWindow* window = OpenFile(document.FileName, entryId);
        if (i == session.Active)
            active = window;
        // Maximized as they were (a window opened after a maximized one is
        // maximized already).
        if (QMdiSubWindow* sub = window && session.Maximized ? subWindowOf(window) : nullptr; sub && !sub->isMaximized())
            sub->showMaximized();
    }
    // The document that was active is active again (the last one opened
    // would be otherwise), unless it did not open or closed since.
    if (active) {
        if (QMdiSubWindow* sub = subWindowOf(active))
            mdiArea_->setActiveSubWindow(sub);
        FocusDocument(active);
    }
}
