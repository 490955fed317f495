#pragma once
// A local channel between two programs of one user: a stream socket at a
// path (a named pipe on Windows) over which a client hands one message and
// gets a one-byte answer. Messages travel as a 32-bit big-endian length and
// the bytes. On Linux this is a Unix socket served through the event loop,
// without Qt's network module (its libraries would load with every start).
#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class TLocalChannelServer : public QObject {
    Q_OBJECT
public:
    // The longest message a server takes; a longer one ends the connection,
    // and a client does not send it. A hand-over is a list of file names: a
    // mebibyte holds 2,000 names of 250 characters (UTF-16), or 127 of the
    // longest path the system takes.
    static constexpr quint32 kMaxMessage = 1024u * 1024;
    // Connections served at once; more are closed as they come. With the
    // message limit this bounds what peers can make the server hold.
    static constexpr int kMaxConnections = 16;
    // A connection whose message has not come whole in this time is closed
    // (a client gives up well before).
    static constexpr int kConnectionTimeoutMs = 10000;

    explicit TLocalChannelServer(QObject* parent = nullptr);
    ~TLocalChannelServer() override;

    // Listens at name, readable and writable by this user only. Fails when
    // anything is at name already (a live server or one left behind: see
    // IsServed and Remove). The socket, and the start lock beside it when
    // nobody holds it, go when the server does or the process ends, unless
    // another server has taken the name meanwhile.
    bool Listen(const QString& name);
    bool IsListening() const;
    // Connections open now.
    int ConnectionCount() const;
    // How long a connection may take to deliver its message
    // (kConnectionTimeoutMs unless set).
    void SetConnectionTimeout(int ms);

    // Called on the event loop with each message; the answer byte it
    // returns is sent back, none (nullopt) ends the connection unanswered.
    std::function<std::optional<char>(const QByteArray&)> OnMessage;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Whether a server answers a connection at name within the time.
bool IsLocalChannelServed(const QString& name, int timeoutMs);
// Removes what a server that ended abruptly left at name.
void RemoveLocalChannel(const QString& name);
// Sends the message to the server at name and waits for its answer byte;
// nullopt when nobody took it within the time (each step has it), or when
// the message is longer than a server takes.
std::optional<char> SendLocalMessage(const QString& name, const QByteArray& message, int timeoutMs);

// Held by a program while it decides whether to hand its files to the
// program serving name or to serve name itself, so that two programs starting
// together do not both serve. Released when the object goes, and by the
// system when the program ends however it ends: a crashed start leaves
// nothing that blocks the next one. Taking it writes nothing to the disk.
class TLocalChannelStartLock {
public:
    // Waits up to timeoutMs for a program holding it.
    TLocalChannelStartLock(const QString& name, int timeoutMs);
    ~TLocalChannelStartLock();
    TLocalChannelStartLock(const TLocalChannelStartLock&) = delete;
    TLocalChannelStartLock& operator=(const TLocalChannelStartLock&) = delete;

    bool IsLocked() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
