#include "plugins/LoadPluginsThread.h"

#include "plugins/CurrentPluginList.h"
#include "plugins/LoadPlugins.h"
#include "plugins/PluginManagement.h"

#include <QDir>
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

    // Every kind of file is taken (hidden ones and broken links too: they fail
    // to load and say so). Sorted by name, so menus and image indexes come out
    // the same on every run.
    QDir dir(pluginDir_);
    files_ = dir.entryList(QStringList {QString::fromLatin1(kSearchPattern)},
        QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
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
