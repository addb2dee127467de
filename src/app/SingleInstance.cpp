#include "app/SingleInstance.h"

#include <QByteArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
// A request: its length (4 bytes, big-endian), then the phone kind, a NUL and the file's bytes.
// The answer is one byte, '1' when taken, '0' when not.
constexpr int kWaitMs = 5000;
constexpr qsizetype kLargestRequest = 1 << 16;

std::string hexHash(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const unsigned char byte : text)
        hash = (hash ^ byte) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

QByteArray framed(const std::string& kind, const std::string& file)
{
    const std::string payload = kind + '\0' + file;
    const auto size = static_cast<std::uint32_t>(payload.size());
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>((size >> shift) & 0xFF));
    bytes.append(payload.data(), static_cast<qsizetype>(payload.size()));
    return bytes;
}

// The length a request's first 4 bytes announce.
std::uint32_t announced(const QByteArray& bytes)
{
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i)
        size = (size << 8) | static_cast<unsigned char>(bytes[i]);
    return size;
}

bool ownPrivateFolder(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & 077) == 0;
}
} // namespace

SingleInstance::SingleInstance(std::string folder, const std::string& key)
{
    if (folder.empty())
        return;
    const std::string base = folder + "/zandrel-" + hexHash(key);
    lock_ = base + ".lock";
    socket_ = base + ".socket";
}

SingleInstance::~SingleInstance() { stop(); }

void SingleInstance::stop()
{
    if (server_)
        server_->close(); // removes the socket file
    if (lockFd_ >= 0)
        ::close(std::exchange(lockFd_, -1));
}

std::string SingleInstance::runtimeFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && ownPrivateFolder(runtime))
        return runtime;
    const std::string own = "/tmp/zandrel-" + std::to_string(::getuid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    // Another user's folder, or a link someone put there, is not ours to trust.
    return ownPrivateFolder(own) ? own : std::string();
}

SingleInstance::Start SingleInstance::start(const std::string& kind, const std::string& file,
                                            bool* taken)
{
    if (lock_.empty())
        return Start::First;
    lockFd_ = ::open(lock_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        std::fprintf(stderr, "zandrel: cannot open %s, so a second Zandrel is not kept out\n",
                     lock_.c_str());
        return Start::First;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) {
        listen();
        return Start::First;
    }
    ::close(std::exchange(lockFd_, -1));
    return tellFirst(kind, file, taken);
}

void SingleInstance::listen()
{
    // Holding the lock, any socket file there is one a killed program left.
    QLocalServer::removeServer(QString::fromLocal8Bit(socket_.c_str()));
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(QString::fromLocal8Bit(socket_.c_str()))) {
        std::fprintf(stderr, "zandrel: cannot listen on %s: %s\n", socket_.c_str(),
                     server_->errorString().toLocal8Bit().constData());
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        }
    });
}

void SingleInstance::answer(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < 4)
        return;
    const std::uint32_t size = announced(socket->peek(4));
    if (size > kLargestRequest) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < 4 + static_cast<qint64>(size))
        return;
    socket->read(4);
    const QByteArray payload = socket->read(size);
    const qsizetype nul = payload.indexOf('\0');
    const std::string kind = payload.left(nul < 0 ? payload.size() : nul).toStdString();
    const std::string file = nul < 0 ? std::string() : payload.mid(nul + 1).toStdString();
    const bool taken = onRequest && onRequest(kind, file);
    socket->write(taken ? "1" : "0", 1);
    socket->flush();
    socket->disconnectFromServer();
}

SingleInstance::Start SingleInstance::tellFirst(const std::string& kind, const std::string& file,
                                                bool* taken)
{
    QLocalSocket socket;
    for (int tries = 0; tries < connectTries; ++tries) {
        if (tries > 0)
            QThread::msleep(100);
        socket.connectToServer(QString::fromLocal8Bit(socket_.c_str()));
        if (socket.waitForConnected(kWaitMs))
            break;
    }
    if (socket.state() != QLocalSocket::ConnectedState)
        return Start::NoAnswer;
    socket.write(framed(kind, file));
    if (!socket.waitForBytesWritten(kWaitMs))
        return Start::NoAnswer;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(kWaitMs))
            return Start::NoAnswer;
    char reply = 0;
    socket.getChar(&reply);
    if (taken)
        *taken = reply == '1';
    return Start::Told;
}
