// The local channel between two starts of the program: peers that leave
// early, hold connections or send too much cannot end or exhaust the server,
// and the server's files go with it (but never another server's).
#include "kernel/SingleInstance.h"
#include "platform/LocalChannel.h"
#include "platform/ProcessExit.h"

#include "TestEnv.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <ctime>
#include <filesystem>
#include <future>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class LocalChannelTest : public ::testing::Test {
protected:
    qxtest::TempDir dir;
    QString name = QString::fromStdString(dir.file("channel.sock"));
    std::unique_ptr<TLocalChannelServer> server = std::make_unique<TLocalChannelServer>();
    int messages = 0;

    void SetUp() override
    {
        server->OnMessage = [this](const QByteArray&) -> std::optional<char> {
            ++messages;
            return '1';
        };
        ASSERT_TRUE(server->Listen(name));
    }

    // Runs the event loop until done says so; false after the time.
    static bool processUntil(const std::function<bool()>& done, int timeoutMs = 5000)
    {
        // Waits for events (a busy loop here would hide one in the server),
        // looking at done at least every few milliseconds.
        QTimer tick;
        tick.start(5);
        const QDeadlineTimer deadline(timeoutMs);
        while (!done()) {
            if (deadline.hasExpired())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    static void processFor(int ms)
    {
        processUntil([] { return false; }, ms);
    }

    // A raw peer connected to the server; -1 when the connection failed.
    int connectPeer() const
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(name);
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    static QByteArray frame(quint32 length, const QByteArray& bytes)
    {
        QByteArray data;
        QDataStream(&data, QIODevice::WriteOnly) << length;
        return data + bytes;
    }

    // Whether the server ended the peer's connection (end of stream or reset).
    static bool closedByServer(int fd)
    {
        char byte;
        return ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0 || errno == ECONNRESET;
    }

    static bool exists(const QString& path) { return fs::exists(fs::symlink_status(path.toStdString())); }
};

// A second start that gave up waiting has closed its end before the answer
// is written: the write fails, the server goes on. The signal keeps its
// default action here, so a write that raised it would end the test.
TEST_F(LocalChannelTest, APeerThatLeftBeforeTheAnswerDoesNotEndTheServer)
{
    ASSERT_NE(std::signal(SIGPIPE, SIG_DFL), SIG_ERR);
    for (int i = 0; i < 3; ++i) {
        const int peer = connectPeer();
        ASSERT_GE(peer, 0);
        const QByteArray data = frame(5, "hello");
        ASSERT_EQ(::write(peer, data.constData(), size_t(data.size())), data.size());
        ::close(peer);
    }
    EXPECT_TRUE(processUntil([&] { return messages == 3 && server->ConnectionCount() == 0; }));
    // And the server still answers.
    auto answer = std::async(std::launch::async, [this] { return SendLocalMessage(name, "again", 5000); });
    EXPECT_TRUE(processUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(answer.get(), '1');
}

// Idle peers: no more than the cap are held, and each for a limited time;
// then a real hand-over gets through.
TEST_F(LocalChannelTest, IdleConnectionsAreCappedAndEndAfterTheirTime)
{
    server->SetConnectionTimeout(300);
    std::vector<int> peers;
    for (int i = 0; i < 3 * TLocalChannelServer::kMaxConnections; ++i) {
        if (const int fd = connectPeer(); fd >= 0)
            peers.push_back(fd);
        processFor(1);
    }
    processFor(50);
    EXPECT_LE(server->ConnectionCount(), TLocalChannelServer::kMaxConnections);
    EXPECT_GT(server->ConnectionCount(), 0);
    // One that trickles its message in bytes is ended all the same.
    const int slow = connectPeer();
    ASSERT_GE(slow, 0);
    EXPECT_TRUE(processUntil([&] { return server->ConnectionCount() == 0; }, 3000)) << server->ConnectionCount();
    for (int fd : peers) {
        EXPECT_TRUE(closedByServer(fd));
        ::close(fd);
    }
    ::close(slow);
    auto answer = std::async(std::launch::async, [this] { return SendLocalMessage(name, "files", 5000); });
    EXPECT_TRUE(processUntil([&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(answer.get(), '1');
}

// Out of file descriptors, accepting fails while the peer stays queued: the
// server waits a little instead of trying again at once, round after round.
TEST_F(LocalChannelTest, OutOfDescriptorsTheServerDoesNotSpin)
{
    std::vector<int> peers;
    for (int i = 0; i < 4; ++i)
        peers.push_back(connectPeer());
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    // Not one descriptor more for this process: a new one takes the lowest
    // free number, which the limit excludes.
    const int lowestFree = ::dup(0);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit tight = old;
    tight.rlim_cur = rlim_t(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    timespec before {}, after {};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    QElapsedTimer wall;
    wall.start();
    processFor(600);
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &old), 0);
    const double cpuMs = (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 0.25 * double(wall.elapsed())) << cpuMs << " ms of CPU in " << wall.elapsed() << " ms";
    // With descriptors again, the queued peers are served.
    EXPECT_TRUE(processUntil([&] { return server->ConnectionCount() == int(peers.size()); }));
    for (int fd : peers)
        ::close(fd);
}

// A length beyond what a hand-over needs ends the connection at once, before
// the bytes come; a client does not send such a message at all.
TEST_F(LocalChannelTest, AnOversizeMessageEndsTheConnectionAtOnce)
{
    // A hand-over of 4 MiB would be tens of thousands of files.
    for (const quint32 length : {TLocalChannelServer::kMaxMessage + 1, 4u * 1024 * 1024}) {
        const int peer = connectPeer();
        ASSERT_GE(peer, 0);
        const QByteArray start = frame(length, QByteArray(1000, 'x'));
        ASSERT_EQ(::write(peer, start.constData(), size_t(start.size())), start.size());
        EXPECT_TRUE(processUntil([&] { return closedByServer(peer); }, 2000)) << length;
        ::close(peer);
    }
    EXPECT_EQ(messages, 0);

    auto tooLong = std::async(std::launch::async,
        [this] { return SendLocalMessage(name, QByteArray(TLocalChannelServer::kMaxMessage + 1, 'x'), 5000); });
    auto longest = std::async(std::launch::async,
        [this] { return SendLocalMessage(name, QByteArray(TLocalChannelServer::kMaxMessage, 'x'), 5000); });
    EXPECT_TRUE(processUntil([&] {
        return tooLong.wait_for(std::chrono::seconds(0)) == std::future_status::ready
            && longest.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }));
    EXPECT_EQ(tooLong.get(), std::nullopt);
    EXPECT_EQ(longest.get(), '1');
    EXPECT_EQ(messages, 1);
}

// The socket and the start lock go with the server; a socket another server
// put at the name since, and a lock someone holds, stay.
TEST_F(LocalChannelTest, TheServerRemovesItsOwnFilesOnly)
{
    const QString lock = name + QStringLiteral(".lock");
    {
        const TLocalChannelStartLock start(name, 1000);
        ASSERT_TRUE(start.IsLocked());
    }
    ASSERT_TRUE(exists(name) && exists(lock));
    {
        TLocalChannelServer second;
        ASSERT_FALSE(second.Listen(name));
    }
    EXPECT_TRUE(exists(name)) << "a server that did not listen removed the socket";

    // Taken over: the name now belongs to another server.
    RemoveLocalChannel(name);
    auto other = std::make_unique<TLocalChannelServer>();
    ASSERT_TRUE(other->Listen(name));
    {
        const TLocalChannelStartLock held(name, 1000);
        ASSERT_TRUE(held.IsLocked());
        server.reset();
        EXPECT_TRUE(exists(name));
        EXPECT_TRUE(exists(lock)) << "the lock was removed while held";
    }
    other.reset();
    EXPECT_FALSE(exists(name));
    EXPECT_FALSE(exists(lock));
    // A start after that takes a new lock and listens as before.
    const TLocalChannelStartLock next(name, 1000);
    EXPECT_TRUE(next.IsLocked());
    server = std::make_unique<TLocalChannelServer>();
    EXPECT_TRUE(server->Listen(name));
}

// A start that opened the lock file just before a server removed it takes
// the lock on the file there now, not on the removed one: two starts never
// both hold it.
TEST_F(LocalChannelTest, ALockOnARemovedFileIsTakenAgain)
{
    std::promise<bool> locked;
    std::promise<void> release;
    std::future<void> thread;
    {
        const TLocalChannelStartLock first(name, 1000);
        ASSERT_TRUE(first.IsLocked());
        thread = std::async(std::launch::async, [&] {
            const TLocalChannelStartLock waiting(name, 5000);
            locked.set_value(waiting.IsLocked());
            release.get_future().wait();
        });
        // The second start has opened the file and waits; the server ends
        // (it took the lock on its own file in the meantime).
        QThread::msleep(200);
        ::unlink(QFile::encodeName(name + QStringLiteral(".lock")).constData());
    }
    EXPECT_TRUE(locked.get_future().get());
    const TLocalChannelStartLock third(name, 0);
    EXPECT_FALSE(third.IsLocked());
    release.set_value();
    thread.get();
}

// However the program ends its own process, the socket it served goes.
TEST_F(LocalChannelTest, TheSocketGoesWhenTheProcessEndsItself)
{
    for (bool hard : {true, false}) {
        SCOPED_TRACE(hard ? "terminated" : "exited");
        const QString childName = name + (hard ? QStringLiteral(".hard") : QStringLiteral(".soft"));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto* served = new TLocalChannelServer;
            if (!served->Listen(childName))
                ::_exit(2);
            if (hard)
                qx::TerminateOwnProcess(0);
            qx::ExitOwnProcess(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
        EXPECT_FALSE(exists(childName));
        EXPECT_FALSE(exists(childName + QStringLiteral(".lock")));
    }
}

// The program catches the signal rather than ignoring it, so that a program
// it starts has the default action back: a pipeline in a tool ends when its
// reader does.
TEST(BrokenPipes, TheProcessSurvivesAndItsChildrenGetTheDefaultBack)
{
    qx::SurviveBrokenPipes();
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);
    errno = 0;
    EXPECT_EQ(::write(pipeEnds[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    ::close(pipeEnds[1]);

    QProcess child;
    child.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("grep -E '^Sig(Ign|Cgt)' /proc/self/status")});
    ASSERT_TRUE(child.waitForFinished(10000));
    const QString status = QString::fromLatin1(child.readAllStandardOutput());
    for (const QString& line : status.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const quint64 mask = line.section(QLatin1Char('\t'), 1).trimmed().toULongLong(nullptr, 16);
        EXPECT_FALSE(mask & (quint64(1) << (SIGPIPE - 1))) << line.toStdString();
    }
    EXPECT_EQ(status.count(QStringLiteral("Sig")), 2) << status.toStdString();
    // A pipeline whose reader leaves: the writer ends by the signal.
    child.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("yes | head -c 1 >/dev/null; exit 0")});
    EXPECT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitCode(), 0);
}

// The program's socket is in the user's runtime folder, unless that is unset
// or unusable: then in the temporary folder, as before there was one.
TEST(SingleInstanceSocket, LivesInTheRuntimeFolderWhenItIsUsable)
{
    qxtest::ScopedHome home;
    const std::string run = (home.dir().path() / "run").string();
    const auto folder = [] { return QFileInfo(TSingleInstance::ServerName()).absolutePath().toStdString(); };
    EXPECT_EQ(folder(), run);
    const std::string tmp = QDir::tempPath().toStdString();
    const fs::path deep = home.dir().path() / std::string(100, 'd');
    fs::create_directories(deep);
    const fs::path shared = home.dir().path() / "shared";
    fs::create_directories(shared);
    fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_exec);
    for (const std::string& unusable : {std::string(), std::string("relative/run"), home.dir().file("missing"),
             home.dir().file("afile"), deep.string(), shared.string()}) {
        SCOPED_TRACE(unusable);
        qxtest::WriteFile(home.dir().file("afile"), "x");
        setenv("XDG_RUNTIME_DIR", unusable.c_str(), 1);
        // Root may write anywhere; the read-only folder is no test then.
        if (unusable == shared.string() && ::geteuid() == 0)
            continue;
        EXPECT_EQ(folder(), tmp);
    }
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(folder(), tmp);
}

} // namespace
