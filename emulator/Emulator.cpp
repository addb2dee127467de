#include "Emulator.h"

#include "DemoContent.h"
#include "EmulatorResults.h"
#include "HostFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace p2kemu {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// $P2KEMU_ROOT, else $XDG_DATA_HOME/zandrel/phone, else ~/.local/share/zandrel/phone.
std::string phoneFolderPath()
{
    std::string root = environment("P2KEMU_ROOT");
    if (!root.empty())
        return root;
    std::string data = environment("XDG_DATA_HOME");
    if (data.empty() || data.front() != '/') {
        std::string home = environment("HOME");
        if (home.empty()) {
            const passwd* user = ::getpwuid(::getuid());
            home = user && user->pw_dir ? user->pw_dir : "";
        }
        if (home.empty())
            return {};
        data = home + "/.local/share";
    }
    return data + "/zandrel/phone";
}

// Temporary files and half-built demo phones of processes that died while making them.
void removeStaleLeftovers(const std::string& root)
{
    std::error_code ec;
    for (auto it = fs::directory_iterator(root, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        if (isStaleTemporary(it->path().filename().native())) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

} // namespace

std::int32_t Emulator::init(P2K_NotifyProc notify)
{
    const std::string callText = notify ? "P2K_Init(notify)" : "P2K_Init(NULL)";
    stopFirstWalk();
    *this = Emulator();
    notify_ = notify;
    std::string root = phoneFolderPath();
    if (root.empty())
        return kHostError; // no folder, so no journal either
    std::error_code ec;
    root = fs::absolute(root, ec).lexically_normal().string();
    if (root.size() > 1 && root.back() == '/')
        root.pop_back();
    fs::create_directories(root, ec);
    if (ec || !fs::is_directory(root, ec))
        return kHostError;
    folder_.setRoot(root);
    journal_.setFile(folder_.hostPath("journal.log"));

    std::vector<std::string> notes;
    std::string trouble = prepareFolder(notes);
    for (const std::string& note : notes)
        journal_.note(note);
    if (!trouble.empty())
        return finish(callText, kHostError, trouble);
    ini_.setFile(folder_.hostPath("phone.ini"));
    initialised_ = true;
    lastSeen_ = phoneConnected();
    startFirstWalk();
    return finish(callText, kOk, "phone " + ini_.settings().model + " in " + root);
}

Emulator::~Emulator() { stopFirstWalk(); }

void Emulator::letGoOfFirstWalkAfterFork()
{
    // A child made by fork() has no walking thread, so the walk's result would never come, and
    // dropping its future would wait for it forever. The child keeps the future where nothing
    // drops it, and walks fs/ itself when it needs the files.
    if (!firstWalk_.valid() || ::getpid() == firstWalkProcess_)
        return;
    static auto* const neverReady = new std::vector<std::future<FirstWalk>>;
    neverReady->push_back(std::move(firstWalk_));
}

void Emulator::FirstWalkControl::startNow()
{
    {
        const std::lock_guard lock(mutex);
        go = true;
    }
    wake.notify_all();
}

void Emulator::startFirstWalk()
{
    auto control = std::make_shared<FirstWalkControl>();
    try {
        firstWalk_ = std::async(std::launch::async, [folder = folder_, control] {
            {
                std::unique_lock lock(control->mutex);
                control->wake.wait_for(lock, kFirstWalkDelay, [&] { return control->go; });
            }
            FirstWalk walked;
            if (!control->stop.load())
                walked.index.build(folder, walked.notes, control->stop);
            return walked;
        });
        firstWalkControl_ = std::move(control);
        firstWalkProcess_ = ::getpid();
    } catch (const std::system_error&) {
        // No thread to spare: the first call that needs the files walks them itself.
    }
}

void Emulator::stopFirstWalk()
{
    letGoOfFirstWalkAfterFork();
    if (!firstWalk_.valid())
        return;
    firstWalkControl_->stop.store(true);
    firstWalkControl_->startNow();
    try {
        firstWalk_.get();
    } catch (...) {
        // What the walk found is not wanted any more, nor why it failed.
    }
}

std::string Emulator::prepareFolder(std::vector<std::string>& notes)
{
    // Two programs starting at once on a new phone folder: the second waits for the first's demo
    // phone instead of removing it half-built. Nothing is journaled while the lock is held, as a
    // journal rotation takes the same lock.
    FolderLock lock(folder_.root(), kPrepareLockMs);
    if (!lock.locked())
        return "the phone folder stayed locked by another program";
    removeStaleLeftovers(folder_.root());
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(folder_.hostPath("fs"), ec))) {
        std::size_t files = createDemoContent(folder_.root(), ec);
        if (ec)
            return "could not make the demo phone: " + ec.message();
        notes.push_back("made a demo phone with " + std::to_string(files) + " files in " +
                        folder_.hostPath("fs"));
    }
    if (!fs::exists(fs::symlink_status(folder_.hostPath("phone.ini"), ec))) {
        if (int error = folder_.writeFolderFile("phone.ini", defaultPhoneIni()))
            notes.push_back("could not write phone.ini: " + std::string(std::strerror(error)));
    }
    if (!openSubfolder(folder_.root(), "seem", true).valid())
        notes.push_back("seem/ cannot be used: " + std::string(std::strerror(errno)));
    return {};
}

std::int32_t Emulator::getStatus()
{
    if (!initialised_)
        return 0;
    bool connected = phoneConnected();
    return finish("P2K_GetStatus()", connected ? 1 : 0, connected ? "connected" : "not connected");
}

std::int32_t Emulator::phoneUnavailable(const std::string& callText)
{
    if (!initialised_)
        return kNotInitialised;
    if (!phoneConnected())
        return finish(callText, kNotConnected);
    return 0;
}

std::int32_t Emulator::phoneFileUnavailable(const std::string& callText, const char* path,
                                            Segments& names)
{
    if (!initialised_)
        return kNotInitialised;
    if (std::int32_t refused = refusePath(callText, path, names))
        return refused;
    if (!phoneConnected())
        return finish(callText, kNotConnected);
    return 0;
}

std::int32_t Emulator::restart()
{
    const std::string callText = "P2K_Restart()";
    if (std::int32_t refused = phoneUnavailable(callText))
        return refused;
    dropOpenFile("the phone restarted");
    awayUntil_ =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(ini_.settings().restartMs);
    phoneConnected();
    return finish(callText, kOk, "back in " + std::to_string(ini_.settings().restartMs) + " ms");
}

std::int32_t Emulator::failed(const char* callName, const char* what)
{
    return finish(std::string(callName) + "(...)", kHostError, what);
}

bool Emulator::phoneConnected()
{
    std::vector<std::string> notes;
    ini_.refresh(notes);
    for (const std::string& note : notes)
        journal_.note(note);
    bool connected = ini_.settings().connected && std::chrono::steady_clock::now() >= awayUntil_;
    if (lastSeen_ && *lastSeen_ != connected) {
        if (!connected)
            dropOpenFile("the phone went away");
        journal_.note(connected ? "the phone is connected" : "the phone is not connected");
        lastSeen_ = connected;
        if (notify_)
            notify_(connected ? 1 : 0);
    }
    return connected;
}

void Emulator::dropOpenFile(const std::string& why)
{
    if (!open_)
        return;
    journal_.note("the open file " + journalText(open_->path) + " is dropped unwritten: " + why);
    open_.reset();
}

std::int32_t Emulator::finish(const std::string& callText, std::int32_t result,
                              const std::string& detail)
{
    journal_.call(callText, result, detail);
    return result;
}

std::int32_t Emulator::refusePath(const std::string& callText, const char* path, Segments& names)
{
    std::string why;
    std::optional<Segments> split = splitPhonePath(path, why);
    if (!split)
        return finish(callText, kBadPath, why);
    names = std::move(*split);
    return kOk;
}

std::int32_t Emulator::hostFailure(const std::string& callText, int error)
{
    switch (error) {
    case ENOENT:
        return finish(callText, kNotFound, "no such phone file");
    case ENOTDIR:
        return finish(callText, kBadPath, "a file stands where a folder is needed");
    case EISDIR:
        return finish(callText, kBadPath, "that is a folder, not a file");
    case ELOOP:
        return finish(callText, kBadPath, "the path leads through a symbolic link");
    case ENOSPC:
    case EDQUOT:
        return finish(callText, kPhoneFull, std::strerror(error));
    default:
        return finish(callText, kHostError, std::strerror(error));
    }
}

const FileIndex& Emulator::files()
{
    std::vector<std::string> notes;
    letGoOfFirstWalkAfterFork();
    if (firstWalk_.valid()) {
        firstWalkControl_->startNow();
        FirstWalk walked = firstWalk_.get();
        index_ = std::move(walked.index);
        notes = std::move(walked.notes);
    }
    index_.refresh(folder_, notes);
    for (const std::string& note : notes)
        journal_.note(note);
    return index_;
}

std::uint64_t Emulator::freeBytes()
{
    std::uint64_t used = files().usedBytes();
    std::uint64_t capacity = ini_.settings().capacity;
    return used >= capacity ? 0 : capacity - used;
}

} // namespace p2kemu
