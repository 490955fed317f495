#pragma once
// One program per user: a start that finds the program already running hands
// its files to the running one over a local socket and ends. The socket is the
// user's own (in XDG_RUNTIME_DIR, or the temporary folder, readable by the
// user only), goes with the program that serves it, and is keyed by the
// user's settings store, so programs run with other settings (another HOME or
// XDG_CONFIG_HOME) do not meet.
#include <QObject>
#include <QStringList>
#include <functional>

class TLocalChannelServer;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(QObject* parent = nullptr);
    ~TSingleInstance() override;

    // The socket's full path for the current user and settings.
    static QString ServerName();

    // Whether this start may hand over at all: every argument names an
    // existing file (or there is none). "--new-window" or any option starts a
    // program of its own.
    static bool WantsHandOver(const QStringList& args);

    // The decision at start: hands files (absolute paths) to a running
    // program and returns true when it took them; otherwise this program
    // starts listening and returns false. A socket left by a program that
    // ended abruptly is removed; a running program that does not answer in
    // time counts as absent. Two starts at once are serialized by a lock
    // file, so only one of them becomes the listening program.
    bool HandOverOrListen(const QStringList& files, int timeoutMs = 5000);

    // Starts listening without trying a hand-over (a second program started
    // on purpose takes the socket only when nobody holds it).
    bool Listen();
    bool IsListening() const;

    // Receives the files another start handed over, in its order. Files that
    // came before there was a receiver (a dialog of the start-up ran its own
    // event loop) are delivered at once.
    void SetReceiver(std::function<void(const QStringList&)> receiver);

private:
    void deliver(const QStringList& files);
    TLocalChannelServer* server_ = nullptr;
    std::function<void(const QStringList&)> receiver_;
    QList<QStringList> pending_;
};
