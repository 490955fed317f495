#pragma once
// The plug-in loader thread: finds every library in the plug-in directory and
// loads each through a TQX_Plugin, appending the loaded ones to the plug-in
// list. Every stage becomes a status line handed synchronously to the loading
// dialog on the GUI thread; the thread waits until the line is shown, so the
// display never overlaps a call into a plug-in. Pausing is a flag the thread
// checks at each hand-off: it stops between two steps, never inside a
// plug-in call.
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

class TLoadPluginListForm;

class TLoadPluginsThread : public QThread {
    Q_OBJECT
public:
    // Shared-library pattern searched in the plug-in directory.
    static const char* const kSearchPattern;

    // pluginDir ends with a path separator. Status lines go to dialog.
    TLoadPluginsThread(TLoadPluginListForm* dialog, QString pluginDir, QObject* parent = nullptr);
    ~TLoadPluginsThread() override;

    // Stops the thread at its next status hand-off until Resume().
    void Pause();
    void Resume();
    bool IsPaused() const;

    const QString& PluginDirectory() const { return pluginDir_; }
    // Names (without directory) found by the search, in search order.
    QStringList FileList() const;

protected:
    void run() override;

private:
    void status(const QString& text, bool flagged);
    void waitWhilePaused();

    TLoadPluginListForm* dialog_;
    const QString pluginDir_;
    QStringList files_;
    int currentIndex_ = 0;

    mutable QMutex pauseMutex_;
    QWaitCondition resumed_;
    bool paused_ = false;
};
