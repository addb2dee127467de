// One Zandrel per user: a later start hands its request to the running one and ends; a lock
// left by a killed program does not block the next start.
#include "app/SingleInstance.h"

#include "TempDir.h"

#include <QEventLoop>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {
using Start = SingleInstance::Start;

class SingleInstanceTest : public testing::Test {
protected:
    TempDir dir;
    const std::string key = "/home/u/.local/share";

    // A later start on a thread of its own, as another process would, while this one serves.
    std::pair<Start, bool> laterStart(const std::string& kind, const std::string& file)
    {
        SingleInstance later(dir.path(), key);
        later.connectTries = 3;
        std::pair<Start, bool> result{Start::First, false};
        QEventLoop loop;
        std::thread starting([&] {
            result.first = later.start(kind, file, &result.second);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        starting.join();
        return result;
    }
};

TEST_F(SingleInstanceTest, ALaterStartHandsItsRequestToTheFirstAndIsToldTheAnswer)
{
    SingleInstance first(dir.path(), key);
    ASSERT_EQ(first.start("emulator", ""), Start::First);
    std::pair<std::string, std::string> asked;
    first.onRequest = [&](const std::string& kind, const std::string& file) {
        asked = {kind, file};
        return kind == "emulator"; // works with the emulator only
    };
    const struct {
        const char* kind;
        std::string file;
    } rows[] = {{"emulator", ""}, {"emulator", "/tmp/\xC1\xE0\xE9\xF2\n.df"}, {"usb", "/a.df"}};
    for (const auto& row : rows) {
        const bool taken = std::string(row.kind) == "emulator";
        EXPECT_EQ(laterStart(row.kind, row.file), std::pair(Start::Told, taken)) << row.file;
        EXPECT_EQ(asked, std::pair(std::string(row.kind), row.file));
    }
}

TEST_F(SingleInstanceTest, AStaleLockAndSocketDoNotBlockAStart)
{
    const SingleInstance paths(dir.path(), key);
    // What a killed program leaves: the lock file, unlocked, and a socket no one listens on.
    ::close(::open(paths.lockPath().c_str(), O_RDWR | O_CREAT, 0600));
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    paths.socketPath().copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(socket);

    SingleInstance next(dir.path(), key);
    ASSERT_EQ(next.start("emulator", ""), Start::First);
    next.onRequest = [](const std::string&, const std::string&) { return true; };
    EXPECT_EQ(laterStart("emulator", "").first, Start::Told); // and it answers there
    // Once it has stopped, the next start is the first again.
    next.stop();
    SingleInstance after(dir.path(), key);
    EXPECT_EQ(after.start("emulator", ""), Start::First);
}

TEST_F(SingleInstanceTest, AHolderThatDoesNotAnswerIsSaidSo)
{
    // The lock held, nobody listening: a first start that hangs before it listens.
    SingleInstance first(dir.path(), key), later(dir.path(), key);
    const int lock = ::open(first.lockPath().c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    later.connectTries = 1;
    EXPECT_EQ(later.start("emulator", ""), Start::NoAnswer);
    ::close(lock);
}
} // namespace
