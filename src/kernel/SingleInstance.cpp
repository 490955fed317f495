#include "kernel/SingleInstance.h"

#include "platform/LocalChannel.h"
#include "platform/Registry.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <utility>
#ifdef Q_OS_UNIX
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

// The message: a tag, then the list of files. The answer is one byte.
const char* const kTag = "quorvix-open-1";
const char kAccepted = '1';

#ifdef Q_OS_UNIX
// The folder for the socket called file: the user's runtime folder (its
// files go when the user's last session ends), unless it is unset or not
// usable: not an absolute path, not a folder the user owns and may write
// to, or so deep that the socket's path (with the suffix of the temporary
// name it is made under) does not fit in a socket address. Then the
// temporary folder.
QString runtimeFolder(const QString& file)
{
    constexpr qsizetype kTemporarySuffix = 16; // ".<pid>.new"
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QFileInfo info(runtime);
    if (!runtime.isEmpty() && info.isAbsolute() && info.isDir() && info.isWritable() && info.ownerId() == ::getuid()
        && QFile::encodeName(runtime + file).size() + kTemporarySuffix < qsizetype(sizeof(sockaddr_un::sun_path)))
        return runtime;
    return QDir::tempPath();
}
#endif

QByteArray encode(const QStringList& files)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << QByteArray(kTag) << files;
    return data;
}

// Sends files to the program listening at name; true when it accepted them.
bool send(const QString& name, const QStringList& files, int timeoutMs)
{
#ifdef Q_OS_UNIX
    // In a shared temporary folder someone else may have put a socket at our
    // name; the file names go only to a program of this user.
    const QFileInfo info(name);
    if (info.exists() && info.ownerId() != ::getuid())
        return false;
#endif
    return SendLocalMessage(name, encode(files), timeoutMs) == kAccepted;
}

} // namespace

TSingleInstance::TSingleInstance(QObject* parent)
    : QObject(parent)
{
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ServerName()
{
    const QByteArray store = QByteArray::fromStdString(qx::Registry::StoreFileName());
    const QString key = QString::fromLatin1(QCryptographicHash::hash(store, QCryptographicHash::Sha1).toHex().left(12));
#ifdef Q_OS_UNIX
    const QString file = QStringLiteral("/quorvix-%1-%2.sock").arg(::getuid()).arg(key);
    return runtimeFolder(file) + file;
#else
    // A named pipe: the name is a plain word, per user.
    return QStringLiteral("quorvix-%1-%2").arg(qEnvironmentVariable("USERNAME"), key);
#endif
}

bool TSingleInstance::WantsHandOver(const QStringList& args)
{
    for (const QString& arg : args) {
        if (arg == QLatin1String("--new-window"))
            return false;
        QString name = arg;
        if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
            name = name.mid(1, name.size() - 2);
        if (!QFileInfo(name).isFile())
            return false;
    }
    return true;
}

bool TSingleInstance::HandOverOrListen(const QStringList& files, int timeoutMs)
{
    const QString name = ServerName();
    const TLocalChannelStartLock lock(name, timeoutMs);
    if (send(name, files, timeoutMs))
        return true;
    if (lock.IsLocked())
        Listen();
    return false;
}

bool TSingleInstance::Listen()
{
    const QString name = ServerName();
    if (!server_) {
        server_ = new TLocalChannelServer(this);
        server_->OnMessage = [this](const QByteArray& data) -> std::optional<char> {
            QDataStream message(data);
            QByteArray tag;
            QStringList files;
            message >> tag >> files;
            if (message.status() != QDataStream::Ok || tag != kTag)
                return std::nullopt;
            // Answered first: opening the files may take a while, and the
            // other start waits for the answer.
            QMetaObject::invokeMethod(this, [this, files] { deliver(files); }, Qt::QueuedConnection);
            return kAccepted;
        };
    }
    if (server_->IsListening())
        return true;
    if (server_->Listen(name))
        return true;
    // Nobody answered there (or we would not be here): the socket file is
    // what a program that ended abruptly left behind.
    if (IsLocalChannelServed(name, 1000))
        return false;
    RemoveLocalChannel(name);
    return server_->Listen(name);
}

void TSingleInstance::SetReceiver(std::function<void(const QStringList&)> receiver)
{
    receiver_ = std::move(receiver);
    const QList<QStringList> waiting = std::exchange(pending_, {});
    for (const QStringList& files : waiting)
        deliver(files);
}

void TSingleInstance::deliver(const QStringList& files)
{
    if (receiver_)
        receiver_(files);
    else
        pending_.append(files);
}

bool TSingleInstance::IsListening() const
{
    return server_ && server_->IsListening();
}
