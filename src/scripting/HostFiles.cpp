// Host functions: status bar, files, program and settings.
#include "scripting/HostFunctions.h"

#include "QX_Exports.h"
#include "frame/FrameWindow.h"
#include "kernel/AppInfo.h"
#include "kernel/Settings.h"
#include "platform/FileWrite.h"
#include "scripting/ExecutingScript.h"
#include "scripting/Scripting.h"
#include "tools/ExternalTools.h"

#include <QFile>
#include <QFileInfo>

namespace qx::host {

namespace {

// Safe scripting refuses the functions that change files: the user is warned
// once per run and the function returns FALSE.
bool refusedInSafeMode(const TScriptHostCall& c)
{
    if (ScriptingMode() != 1)
        return false;
    if (TScriptObject* script = ScriptObject(); script && script->ExecutingForm())
        script->ExecutingForm()->WarnUnsafeOperation(QString::fromStdString(c.Name));
    c.ReturnBoolean(false);
    return true;
}

// Copies through a temporary file beside the target that replaces it only
// when complete: a failed copy never leaves a truncated target behind, and
// copying a file onto itself leaves it intact.
bool copyFile(const QString& from, const QString& to, bool failIfExists)
{
    QFileInfo source(from);
    if (from.isEmpty() || to.isEmpty() || !source.isFile())
        return false;
    if (failIfExists && QFileInfo::exists(to))
        return false;
    if (QFileInfo(to).isDir())
        return false;
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    qx::AtomicFileWriter out(QFile::encodeName(to).toStdString());
    if (!out.Open())
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!out.Write(std::string_view(buffer, size_t(n))))
            return false;
    }
    if (!out.Commit())
        return false;
    QFile::setPermissions(to, source.permissions());
    return true;
}

// The position of the last path separator, or -1. On this platform paths
// are separated by '/'; there are no drive letters.
qsizetype lastSeparator(const QString& path)
{
    return path.lastIndexOf(QLatin1Char('/'));
}

} // namespace

QString ExtractFileExt(const QString& path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > lastSeparator(path) ? path.mid(dot) : QString();
}

QString ExtractFileName(const QString& path)
{
    return path.mid(lastSeparator(path) + 1);
}

QString ExtractFilePath(const QString& path)
{
    return path.left(lastSeparator(path) + 1);
}

void AddFileFunctions(HostFunctionMap& map)
{
    // Status bar
    map["SetStatusBarMessage"] = [](const TScriptHostCall& c) {
        if (TFrameWindowForm* frame = FrameWindow())
            frame->SetStatusBarMessage(ArgText(c, 0));
    };
    map["CancelStatusBarMessage"] = [](const TScriptHostCall&) {
        if (TFrameWindowForm* frame = FrameWindow())
            frame->CancelStatusBarMessage();
    };
    map["SetProgressBarStatus"] = [](const TScriptHostCall& c) { QXSetProgressBarStatus(c.Integer(0), c.Integer(1)); };
    map["ResetProgressBar"] = [](const TScriptHostCall&) { QXSetProgressBarStatus(0, 0); };
    map["GetProgressBarStatus"] = [](const TScriptHostCall& c) {
        int position = 0, maximum = 0;
        if (TFrameWindowForm* frame = FrameWindow())
            frame->GetProgressBarStatus(position, maximum);
        StoreInteger(c.Var(0), position);
        StoreInteger(c.Var(1), maximum);
    };

    // Files
    map["FileExists"] = [](const TScriptHostCall& c) {
        const QString name = ArgText(c, 0);
        c.ReturnBoolean(!name.isEmpty() && QFileInfo(name).isFile());
    };
    map["CopyFile"] = [](const TScriptHostCall& c) {
        if (!refusedInSafeMode(c))
            c.ReturnBoolean(copyFile(ArgText(c, 0), ArgText(c, 1), c.Boolean(2)));
    };
    map["DeleteFile"] = [](const TScriptHostCall& c) {
        if (refusedInSafeMode(c))
            return;
        const QString name = ArgText(c, 0);
        // Files only: a folder is not deleted by this function.
        c.ReturnBoolean(!name.isEmpty() && !QFileInfo(name).isDir() && QFile::remove(name));
    };
    map["RenameFile"] = [](const TScriptHostCall& c) {
        if (refusedInSafeMode(c))
            return;
        const QString from = ArgText(c, 0), to = ArgText(c, 1);
        // An existing target is never replaced.
        c.ReturnBoolean(!from.isEmpty() && !to.isEmpty() && QFileInfo::exists(from) && !QFileInfo::exists(to)
            && QFile::rename(from, to));
    };
    map["ExtractFileExt"] = [](const TScriptHostCall& c) { StoreText(c.Result, ExtractFileExt(ArgText(c, 0))); };
    map["ExtractFileName"] = [](const TScriptHostCall& c) { StoreText(c.Result, ExtractFileName(ArgText(c, 0))); };
    map["ExtractFilePath"] = [](const TScriptHostCall& c) { StoreText(c.Result, ExtractFilePath(ArgText(c, 0))); };
    map["ExecuteFile"] = [](const TScriptHostCall& c) { c.ReturnBoolean(::ExecuteFile(ArgText(c, 0), c.Boolean(1))); };
    map["OpenFile"] = [](const TScriptHostCall& c) {
        TFrameWindowForm* frame = FrameWindow();
        c.ReturnBoolean(frame && frame->OpenFile(ArgText(c, 0), TFrameWindowForm::DefaultEntryID()));
    };
    map["OpenFileEx"] = [](const TScriptHostCall& c) {
        TFrameWindowForm* frame = FrameWindow();
        c.ReturnBoolean(frame && frame->OpenFile(ArgText(c, 0), ArgText(c, 1)));
    };

    // Program and settings
    map["GetPluginsDirectory"] = [](const TScriptHostCall& c) { c.ReturnText(GetPluginsDir()); };
    map["GetProjectsDirectory"] = [](const TScriptHostCall& c) { c.ReturnText(GetProjectsDir()); };
    map["GetScriptsDirectory"] = [](const TScriptHostCall& c) { c.ReturnText(GetScriptsDir()); };
    map["GetCurrentScript"] = [](const TScriptHostCall& c) {
        if (TScriptObject* script = ScriptObject())
            StoreText(c.Result, script->CurrentScript());
    };
    map["GetVersionEx"] = [](const TScriptHostCall& c) {
        StoreInteger(c.Var(0), kVersionMajor);
        StoreInteger(c.Var(1), kVersionMinor);
        StoreInteger(c.Var(2), kVersionRelease);
    };
    map["IsSafeScriptingEnabled"] = [](const TScriptHostCall& c) { c.ReturnBoolean(ScriptingMode() == 1); };
}

} // namespace qx::host
