#include "plugins/LoadPluginsThread.h"

#include "platform/LibraryFileCheck.h"
#include "plugins/CurrentPluginList.h"
#include "plugins/LoadPlugins.h"
#include "plugins/PluginManagement.h"

#include <QDir>
#include <QFile>
#include <QMutexLocker>

#include <memory>

const char* const TLoadPluginsThread::kSearchPattern = "*.so";

TLoadPluginsThread::TLoadPluginsThread(TLoadPluginListForm* dialog, QString pluginDir, QObject* parent)
    : QThread(parent)
    , dialog_(dialog)
    , pluginDir_(std::move(pluginDir))
{
}

TLoadPluginsThread::~TLoadPluginsThread() = default;

void TLoadPluginsThread::Pause()
{
    QMutexLocker lock(&pauseMutex_);
    paused_ = true;
}

void TLoadPluginsThread::Resume()
{
    QMutexLocker lock(&pauseMutex_);
    paused_ = false;
    resumed_.wakeAll();
}

bool TLoadPluginsThread::IsPaused() const
{
    QMutexLocker lock(&pauseMutex_);
    return paused_;
}

QStringList TLoadPluginsThread::FileList() const
{
    return files_;
}

void TLoadPluginsThread::waitWhilePaused()
{
    QMutexLocker lock(&pauseMutex_);
    while (paused_)
        resumed_.wait(&pauseMutex_);
}

// The GUI thread shows the line while this thread waits; a pause requested in
// the meantime takes effect right after it.
void TLoadPluginsThread::status(const QString& text, bool flagged)
{
    waitWhilePaused();
    const int index = currentIndex_;
    const int count = int(files_.size());
    TLoadPluginListForm* dialog = dialog_;
    QMetaObject::invokeMethod(
        dialog, [dialog, text, flagged, index, count] { dialog->DisplayStatus(text, flagged, index, count); },
        Qt::BlockingQueuedConnection);
    waitWhilePaused();
}

void TLoadPluginsThread::run()
{
    status(QStringLiteral("Searching for plugins... ") + pluginDir_ + QStringLiteral("..."), true);

    // Every entry that matches is looked at, hidden ones too; only regular
    // files (or links to them) are libraries to load. Anything else is
    // skipped with its reason and never opened: opening a FIFO would block
    // the loader for good. Sorted by name, so menus and image indexes come
    // out the same on every run.
    // The pattern is "*" and a suffix, matched in any case as the
    // directory's name filters match; compared directly, since a name filter
    // is compiled to a regular expression, whose library would load at every
    // start for this alone.
    QDir dir(pluginDir_);
    const QString suffix = QString::fromLatin1(kSearchPattern).mid(1);
    QStringList found;
    for (const QString& name :
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name))
        if (name.endsWith(suffix, Qt::CaseInsensitive))
            found << name;
    // The list is filled after the skip lines, so the progress bar stays
    // empty until loading begins.
    QStringList libraries;
    for (const QString& name : found) {
        const std::string reason = qx::NonRegularFileReason(QFile::encodeName(pluginDir_ + name).toStdString());
        if (reason.empty())
            libraries << name;
        else
            status(QStringLiteral("not a regular file (") + QString::fromStdString(reason) + QStringLiteral("), skipped...")
                    + name,
                false);
    }
    files_ = libraries;
    status(QString::number(files_.size()) + QStringLiteral(" modules found."), true);

    for (currentIndex_ = 0; currentIndex_ < int(files_.size()); ++currentIndex_) {
        const QString name = files_[currentIndex_];
        status(QStringLiteral("----------begin plugin load sequence---") + name, false);

        auto plugin = std::make_unique<TQX_Plugin>(pluginDir_ + name);
        auto hook = [this, name](const char* text, bool flagged) {
            return [this, name, text, flagged](TQX_Plugin*) { status(QString::fromLatin1(text) + name, flagged); };
        };
        plugin->OnLoading = hook("loading...", true);
        plugin->OnAttached = hook("attached...", false);
        plugin->OnVerifying = hook("verifying...", false);
        plugin->OnInitializing = hook("plugin initialization in progress...", false);
        plugin->OnLoaded = hook("successfully loaded, plugin ready...", false);
        plugin->OnLoadFailed = hook("unable to load...", false);
        plugin->OnUnloading = hook("unloading...", false);
        plugin->OnUnloaded = hook("unloaded...", false);

        if (plugin->Load() == TQX_Plugin::LoadOk) {
            plugin->ClearHooks();
            AddPlugin(plugin.release());
        } else {
            plugin.reset();
        }
        status(QStringLiteral("----------end plugin load sequence-----") + name, false);
    }
    if (!files_.isEmpty())
        currentIndex_ = int(files_.size()) - 1;

    status(QString::number(GetPluginCount()) + QStringLiteral(" plugin(s) successfully loaded."), true);
    status(QStringLiteral("Terminating thread..."), true);
}
