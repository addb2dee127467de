#pragma once
#include <QObject>

#include <functional>
#include <string>

class QLocalServer;

// One Zandrel per user: the first start holds a lock and listens on a local socket beside it; a
// later start hands its request (its phone kind and the clean list it was given) to the first
// and ends, instead of a second program sharing the phone, the deleted files and the settings.
// The lock is an flock(2) lock, which the system drops with the process however it ends, so a
// killed program leaves nothing that blocks the next start: its socket file is removed then.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Start {
        First,    // this is the only one; it now answers later starts
        Told,     // another one runs and has taken the request
        NoAnswer, // another one runs but did not answer
    };
    // The running program's answer to a later start's request: true when it has taken it
    // (raised its window, opened the list), false when it runs with another kind of phone.
    // It must not wait for the user (no box): the later start waits for the answer.
    using Handler = std::function<bool(const std::string& kind, const std::string& file)>;

    // folder: a folder only this user can write; key: what must not run twice (the user's data
    // and settings folders), hashed into the lock's and socket's names.
    SingleInstance(std::string folder, const std::string& key);
    ~SingleInstance() override;

    // taken: for Told, what the running program answered.
    Start start(const std::string& kind, const std::string& file, bool* taken = nullptr);
    // Lets the next start be the first: from the moment the window has closed, a start has
    // nothing left to hand over to this one.
    void stop();

    Handler onRequest;
    // How often a later start tries to reach the first, a tenth of a second apart: the first may
    // have taken the lock a moment before it listens.
    int connectTries = 50;

    // $XDG_RUNTIME_DIR, else /tmp/zandrel-<uid> made for this user alone; empty when neither
    // can be had (then the program runs unguarded).
    static std::string runtimeFolder();

    const std::string& socketPath() const { return socket_; }
    const std::string& lockPath() const { return lock_; }

private:
    Start tellFirst(const std::string& kind, const std::string& file, bool* taken);
    void listen();
    void answer(class QLocalSocket* socket);

    std::string lock_;
    std::string socket_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr;
};
