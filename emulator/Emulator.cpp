#include "Emulator.h"

#include "DemoContent.h"
#include "EmulatorResults.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <pwd.h>
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

bool writeNewFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

} // namespace

std::int32_t Emulator::init(P2K_NotifyProc notify)
{
    const std::string callText = notify ? "P2K_Init(notify)" : "P2K_Init(NULL)";
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

    if (!fs::exists(fs::symlink_status(folder_.hostPath("fs"), ec))) {
        std::size_t files = createDemoContent(root, ec);
        if (ec)
            return finish(callText, kHostError, "could not make the demo phone: " + ec.message());
        journal_.note("made a demo phone with " + std::to_string(files) + " files in " + root +
                      "/fs");
    }
    const std::string ini = folder_.hostPath("phone.ini");
    if (!fs::exists(fs::symlink_status(ini, ec))) {
        if (!writeNewFile(ini, defaultPhoneIni()))
            journal_.note("could not write " + ini + ": " + std::strerror(errno));
    }
    fs::create_directories(folder_.hostPath("seem"), ec);
    ini_.setFile(ini);
    initialised_ = true;
    lastSeen_ = phoneConnected();
    return finish(callText, kOk, "phone " + ini_.settings().model + " in " + root);
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

std::vector<PhoneFile> Emulator::listableFiles(std::size_t& skipped) const
{
    std::vector<PhoneFile> files = folder_.scan();
    // A file a user put into fs/ by hand under a name the phone refuses is left out, so every
    // listed path can be deleted again.
    skipped = std::erase_if(files, [](const PhoneFile& file) {
        std::string why;
        return !splitPhonePath(file.path.c_str(), why);
    });
    return files;
}

std::uint64_t Emulator::freeBytes() const
{
    std::uint64_t used = 0;
    for (const PhoneFile& file : folder_.scan())
        used += file.size;
    std::uint64_t capacity = ini_.settings().capacity;
    return used >= capacity ? 0 : capacity - used;
}

} // namespace p2kemu
