#pragma once
// Quorvix 2 plug-in SDK: optional helpers for the parts every plug-in writes
// the same way. Header-only: nothing here needs the host library beyond the
// functions of QX_Exports.h, and nothing here keeps state of its own, so a
// plug-in using it can be unloaded and loaded again like any other.
//
//   TQX_PluginProfile / QX_AnswerPluginMessage: the plug-in and its entries
//     described once as data; QXPluginProc hands every message to
//     QX_AnswerPluginMessage, which fills the records the host asks for and
//     agrees to attach, initialize and unload.
//   QX_NewWindow<T>: a CreateWindow procedure that makes a T.
//   QX_CanOpenNoThrow<f>: a CanOpenFile procedure that answers 0 ("cannot
//     open") instead of letting an exception of f reach the host.
//   QX_ShowPluginAbout: the host's about box with the plug-in's own icon.
//   QX_PluginSettings: the plug-in's own settings file.
//   QX_SaveFile, QX_SaveFileFrom, QX_SaveFailedText: saving a user's file
//     whole or not at all (QXSaveFile), and the message when it fails.
// and for document windows:
//   QX_UpdateWindowState: Modified and Commands set, the host told once.
//   QX_SetStepList: the answer to QXC_UNDOLIST and QXC_REDOLIST.
//   QX_CookieValues: a cookie of "name=value;..." pairs read back.
//   QX_CloseDocumentWindow: what closeEvent does in every document window.
//   QX_Ask, QX_Tell: message boxes with the host's button texts.
//   QX_ExecDialog: a modal dialog run so that closing its window meanwhile
//     is safe.
#include "QX_Exports.h"
#include "QX_Types.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// One entry as QXM_QUERY_ENTRY reports it (see TQX_PluginEntryInfo). Meant
// for designated initializers: every field has a default, so a plug-in names
// only the fields it needs.
struct TQX_EntryProfile {
    uint8_t Kind = QX_KIND_FILE_DOCUMENT;
    // Caption in menus and lists.
    QString Name {};
    // Qt resource or file of the entry's icon; empty: the plug-in's icon.
    QString IconPath {};
    // Open-dialog filter pair, "Description|*.ext1;*.ext2"; empty: the entry
    // adds nothing to the host's open dialog (HasFilter stays false).
    QString Filter {};
    bool CanCreateFile = false;
    // QX_FLAG_ values.
    uint32_t Flags = 0;
    TQX_CreateWindowProc CreateWindow = nullptr;
    TQX_CanOpenFileProc CanOpenFile = nullptr;
};

// The plug-in as QXM_QUERY_INFO reports it, with its entries in order.
struct TQX_PluginProfile {
    // The plug-in's own application object (a static variable of the
    // plug-in); required, the host writes its main window into it.
    TQX_Application* Application = nullptr;
    QString Name {};
    QString FullName {};
    // Qt resource or file of the plug-in's icon; empty: none.
    QString IconPath {};
    // Empty: the host shows its own about box with the icon and FullName.
    std::function<void(QObject* sender)> OnAbout {};
    std::vector<TQX_EntryProfile> Entries {};
    // Called on QXM_FINALIZE and QXM_DETACH, the last messages before the
    // library may be released: undo whatever the plug-in registered with Qt
    // or the host that points into its code. May be empty.
    std::function<void()> OnRelease {};
};

// Answers one message for the plug-in that plugin describes:
//   QXM_ATTACH, QXM_INITIALIZE, QXM_QUERY_UNLOAD: 1 (agreed);
//   QXM_FINALIZE, QXM_DETACH: calls OnRelease, 1;
//   QXM_QUERY_INFO: fills the record, 1 (0 for a null record);
//   QXM_QUERY_ENTRY_COUNT: the number of entries;
//   QXM_QUERY_ENTRY: fills the record of the entry its Index names, 1 (0 for
//     a null record or an index out of range);
//   anything else: 0.
// The records are filled only with what the profile holds; icons are made from
// their paths here (QIcon loads them lazily, so this is safe on the host's
// loader thread).
inline int32_t QX_AnswerPluginMessage(const TQX_PluginProfile& plugin, int32_t message, void* param)
{
    switch (message) {
    case QXM_ATTACH:
    case QXM_INITIALIZE:
    case QXM_QUERY_UNLOAD:
        return 1;
    case QXM_FINALIZE:
    case QXM_DETACH:
        if (plugin.OnRelease)
            plugin.OnRelease();
        return 1;
    case QXM_QUERY_INFO: {
        auto* info = static_cast<TQX_PluginInfo*>(param);
        if (!info)
            return 0;
        info->Application = plugin.Application;
        info->Name = plugin.Name;
        info->FullName = plugin.FullName;
        if (!plugin.IconPath.isEmpty())
            info->Icon = QIcon(plugin.IconPath);
        info->OnAbout = plugin.OnAbout;
        return 1;
    }
    case QXM_QUERY_ENTRY_COUNT:
        return int32_t(plugin.Entries.size());
    case QXM_QUERY_ENTRY: {
        auto* entry = static_cast<TQX_PluginEntryInfo*>(param);
        if (!entry || entry->Index < 0 || size_t(entry->Index) >= plugin.Entries.size())
            return 0;
        const TQX_EntryProfile& e = plugin.Entries[size_t(entry->Index)];
        entry->Kind = e.Kind;
        entry->Name = e.Name;
        if (!e.IconPath.isEmpty())
            entry->Icon = QIcon(e.IconPath);
        entry->Filter = e.Filter;
        entry->HasFilter = !e.Filter.isEmpty();
        entry->CanCreateFile = e.CanCreateFile;
        entry->Flags = e.Flags;
        entry->CreateWindow = e.CreateWindow;
        entry->CanOpenFile = e.CanOpenFile;
        return 1;
    }
    default:
        return 0;
    }
}

// A TQX_CreateWindowProc that makes a new Window, a TQX_PluginWindow with a
// default constructor: `.CreateWindow = QX_NewWindow<TMyWindow>`.
template <class Window>
TQX_PluginWindow* QX_NewWindow(TQX_Application*)
{
    return new Window;
}

// A TQX_CanOpenFileProc that calls CanOpen and answers 0 when it throws: the
// host asks for every file it opens, and a file that cannot be examined is
// one the entry cannot open. Use as `entry.CanOpenFile = QX_CanOpenNoThrow<myTest>;`.
template <uint8_t (*CanOpen)(const QString& fileName)>
uint8_t QX_CanOpenNoThrow(const QString& fileName)
{
    try {
        return CanOpen(fileName);
    } catch (const std::exception&) {
        return 0;
    }
}

// The host's handle of the icon of the loaded plug-in named pluginName (its
// TQX_PluginInfo::Name), 0 when no loaded plug-in has that name. GUI thread.
inline uint32_t QX_PluginIconHandle(const QString& pluginName)
{
    // The record is large (about 68 KB): not for the stack.
    auto description = std::make_unique<TQX_PluginDescription>();
    for (int32_t i = 0; i < QXGetPluginCount(); ++i) {
        description->Size = sizeof(TQX_PluginDescription);
        if (QXGetPluginInfo(i, description.get()) && QString::fromUtf8(description->Name) == pluginName)
            return description->IconHandle;
    }
    return 0;
}

// The host's about box with the icon of the plug-in named pluginName, the
// caption and the text; for TQX_PluginProfile::OnAbout. GUI thread.
inline void QX_ShowPluginAbout(const QString& pluginName, const QString& caption, const QString& text)
{
    QXAboutBox(QX_PluginIconHandle(pluginName), caption.toUtf8().constData(), text.toUtf8().constData());
}

// The plug-in's own settings: the INI file <name>.ini in the user's
// configuration folder of Quorvix ($XDG_CONFIG_HOME/Quorvix, ~/.config/Quorvix
// by default), beside the host's registry.reg. Give every plug-in its own name.
inline QSettings QX_PluginSettings(const QString& name)
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quorvix"), name);
}

// Saves bytes as the file fileName through the host (QXSaveFile): the file
// is replaced whole or not at all. False when it fails, with the Czech reason
// in *reason (may be null); the old file is then exactly as it was.
inline bool QX_SaveFile(const QString& fileName, const QByteArray& bytes, QString* reason)
{
    struct Source {
        const QByteArray& bytes;
        qsizetype done = 0;
    } source {bytes};
    char why[512] = {};
    const QByteArray name = fileName.toUtf8();
    const bool saved = QXSaveFile(name.constData(), [](void* context, char* buffer, int64_t capacity) -> int64_t {
        auto* s = static_cast<Source*>(context);
        const int64_t n = std::min<int64_t>(capacity, s->bytes.size() - s->done);
        std::memcpy(buffer, s->bytes.constData() + s->done, size_t(n));
        s->done += qsizetype(n);
        return n;
    }, &source, why, int32_t(sizeof why));
    if (!saved && reason)
        *reason = QString::fromUtf8(why);
    return saved;
}

// As QX_SaveFile, for content made piece by piece (a file too large to hold
// in memory): produce puts up to capacity bytes into buffer and returns how
// many, 0 at the end, -1 to give up the save.
inline bool QX_SaveFileFrom(const QString& fileName, const std::function<int64_t(char* buffer, int64_t capacity)>& produce,
    QString* reason)
{
    char why[512] = {};
    const QByteArray name = fileName.toUtf8();
    const bool saved = QXSaveFile(name.constData(), [](void* context, char* buffer, int64_t capacity) -> int64_t {
        return (*static_cast<const std::function<int64_t(char*, int64_t)>*>(context))(buffer, capacity);
    }, const_cast<std::function<int64_t(char*, int64_t)>*>(&produce), why, int32_t(sizeof why));
    if (!saved && reason)
        *reason = QString::fromUtf8(why);
    return saved;
}

// The message for a save that failed: the file as the user knows it (shown),
// the reason, and that the file on the disk is as it was.
inline QString QX_SaveFailedText(const QString& shown, const QString& reason)
{
    return QStringLiteral("Soubor „%1“ nelze uložit: %2.\n\nSoubor na disku zůstal beze změny.").arg(shown, reason);
}

// ---------------------------------------------------------------------------
// Document windows
// ---------------------------------------------------------------------------

// Sets window->Modified, then window->Commands to what commands() gives
// (which may depend on Modified), and calls NotifyStateChange() only when
// either of them changed, so the host refreshes no more than it must.
inline void QX_UpdateWindowState(TQX_PluginWindow* window, bool modified, const std::function<TQX_CommandSet()>& commands)
{
    const bool modifiedChanged = modified != window->Modified;
    window->Modified = modified;
    const TQX_CommandSet now = commands();
    if (now == window->Commands && !modifiedChanged)
        return;
    window->Commands = now;
    window->NotifyStateChange();
}

// The answer to QXC_UNDOLIST and QXC_REDOLIST: steps, the next one first,
// into the host's list param (nothing for a null param).
inline void QX_SetStepList(void* param, const QStringList& steps)
{
    if (param)
        *static_cast<QStringList*>(param) = steps;
}

// The values of a cookie written as "name=value;name=value" by name, both
// trimmed. A part without "=" or with an empty name is passed over; of a
// name given twice the last value counts.
inline std::map<QString, QString> QX_CookieValues(const QString& cookie)
{
    std::map<QString, QString> values;
    for (const QString& part : cookie.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq > 0)
            values[part.left(eq).trimmed()] = part.mid(eq + 1).trimmed();
    }
    return values;
}

// closeEvent of a document window. mayClose is the answer of the window's
// own "save changes?" question (false: the window stays open, the event is
// ignored). A window of a named file then has the host store its cookie,
// hides its find dialog (findDialog may be null) and closes.
inline void QX_CloseDocumentWindow(TQX_PluginWindow* window, QCloseEvent* event, bool mayClose, QWidget* findDialog)
{
    if (!mayClose) {
        event->ignore();
        return;
    }
    if (!window->FileName.isEmpty())
        QXRequestCookie(window, false);
    if (findDialog)
        findDialog->hide();
    event->accept();
}

// Runs a modal dialog made with new and deletes it; QDialog::exec's result
// (QDialog::Rejected when the dialog went while open). The host serves
// scripts' calls inside the dialog's loop: a script may close the window the
// dialog belongs to, and the parent then deletes its children. A dialog on
// the stack would be deleted twice, this one never is. The code after a
// question should check that its own window is still there (QPointer) when
// its host may destroy windows at once; Quorvix destroys a window only after
// the loops of its questions have returned, cancelling them.
inline int QX_ExecDialog(QDialog* dialog)
{
    const QPointer<QDialog> guard(dialog);
    const int result = dialog->exec();
    delete guard.data();
    return result;
}

// A modal question in the host's language: the buttons Yes, No and Cancel
// read "&Ano", "&Ne" and "&Storno". objectName names the box (tests and
// scripts find it by it). Returns the QMessageBox::StandardButton chosen,
// QMessageBox::Cancel when the question was cancelled without one (its
// window closed meanwhile).
inline int QX_Ask(QWidget* parent, const QString& caption, const QString& text, QMessageBox::StandardButtons buttons,
    QMessageBox::StandardButton defaultButton, const QString& objectName, QMessageBox::Icon icon = QMessageBox::Question)
{
    auto* box = new QMessageBox(icon, caption, text, buttons, parent);
    box->setObjectName(objectName);
    box->setDefaultButton(defaultButton);
    if (QAbstractButton* b = box->button(QMessageBox::Yes))
        b->setText(QStringLiteral("&Ano"));
    if (QAbstractButton* b = box->button(QMessageBox::No))
        b->setText(QStringLiteral("&Ne"));
    if (QAbstractButton* b = box->button(QMessageBox::Cancel))
        b->setText(QStringLiteral("&Storno"));
    const QPointer<QMessageBox> guard(box);
    const int answer = box->exec();
    const bool chosen = guard && guard->clickedButton();
    delete guard.data();
    return chosen ? answer : int(QMessageBox::Cancel);
}

// A modal message with one OK button: an error (error true) or a notice.
inline void QX_Tell(QWidget* parent, const QString& caption, const QString& text, bool error, const QString& objectName)
{
    auto* box = new QMessageBox(error ? QMessageBox::Critical : QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
    box->setObjectName(objectName);
    QX_ExecDialog(box);
}
