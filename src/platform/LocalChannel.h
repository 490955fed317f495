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
    // The longest message a server takes; a longer one ends the connection.
    static constexpr quint32 kMaxMessage = 16u * 1024 * 1024;

    explicit TLocalChannelServer(QObject* parent = nullptr);
    ~TLocalChannelServer() override;

    // Listens at name, readable and writable by this user only. Fails when
    // anything is at name already (a live server or one left behind: see
    // IsServed and Remove).
    bool Listen(const QString& name);
    bool IsListening() const;

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
// nullopt when nobody took it within the time (each step has it).
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
