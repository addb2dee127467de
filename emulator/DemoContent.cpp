#include "DemoContent.h"

#include "HostFiles.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_view_literals;

namespace p2kemu {

namespace {

struct DemoFile {
    std::string_view path; // phone path; \x escapes are Windows-1251 Cyrillic
    std::string_view head; // the format's magic bytes, or the whole text of a text file
    std::size_t size;      // filled up with made-up bytes; 0 = just the head
};

// Made-up content: each file starts like its format, the rest is noise.
constexpr DemoFile kDemoFiles[] = {
    {"/a/mobile/audio/funlight.pat", "FLPAT\x01\x00\x10"sv, 640},
    {"/a/mobile/audio/MyToneDB.db", "TONEDB\x02\x00Ringtone_Spring.mp3\0Alarm_Classic.mid\0"sv,
     1024},
    {"/a/mobile/audio/TempToneDB.db", "TONEDB\x02\x00"sv, 512},
    {"/a/mobile/audio/Ringtone_Spring.mp3", "ID3\x03\x00\x00\x00\x00\x00\x0a\xff\xfb\x90\x64"sv,
     6144},
    {"/a/mobile/audio/Alarm_Classic.mid", "MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk"sv,
     900},
    {"/a/mobile/audio/\xC7\xE2\xEE\xED\xEE\xEA.mp3", "ID3\x03\x00\x00\x00\x00\x00\x0a\xff\xfb"sv,
     4096},
    {"/a/mobile/audio/voice_0001.amr", "#!AMR\n"sv, 1500},
    {"/a/mobile/picture/Wallpaper_Sea.jpg", "\xff\xd8\xff\xe0\x00\x10JFIF\x00"sv, 5000},
    {"/a/mobile/picture/photo_0001.jpg", "\xff\xd8\xff\xe1\x00\040Exif\x00\x00"sv, 7000},
    {"/a/mobile/picture/\xCA\xEE\xF2.gif", "GIF89a\x60\x00\x50\x00"sv, 800},
    {"/a/mobile/picture/Icons/star.png", "\x89PNG\r\n\x1a\n"sv, 300},
    {"/a/mobile/mib/pcf/0001.pcf", "PCF\x01"sv, 256},
    {"/a/mobile/mib/pcf/0002.pcf", "PCF\x01"sv, 256},
    {"/a/operator_logo.gif", "GIF89a\x60\x00\x12\x00"sv, 420},
    {"/a/screensaver.png", "\x89PNG\r\n\x1a\n"sv, 2200},
    {"/a/mobile/mms/mmstemplate/Birthday.mms", "\x8c\x80\x98T0001\x00"sv, 700},
    {"/a/mobile/mms/mmstemplate/Holiday.mms", "\x8c\x80\x98T0002\x00"sv, 760},
    {"/a/mobile/mms/inbox/msg_0001.mms", "\x8c\x84\x98M0001\x00"sv, 1300},
    {"/a/mobile/system/shutter_1.amr", "#!AMR\n"sv, 600},
    {"/a/mobile/system/shutter_2.wav", "RIFF\x24\x04\x00\x00WAVEfmt "sv, 1060},
    {"/a/Blue_Sky.tcf", "TCF\001Blue Sky\x00"sv, 2048},
    {"/a/mobile/skins/\xCC\xEE\xFF \xF2\xE5\xEC\xE0.tcf", "TCF\x01\xCC\xEE\xFF\x00"sv, 1800},
    {"/a/mobile/video/clip_0001.3gp", "\x00\x00\x00\030ftyp3gp4"sv, 9000},
    {"/a/mobile/video/Trailer.mp4", "\x00\x00\x00\040ftypisom"sv, 12000},
    {"/a/mobile/kjava/Snake/Snake.jar", "PK\x03\x04\x14\x00"sv, 3000},
    {"/a/mobile/kjava/Snake/Snake.jad",
     "MIDlet-Name: Snake\r\nMIDlet-Version: 1.0.2\r\nMIDlet-Jar-URL: Snake.jar\r\n"sv, 0},
    {"/a/mobile/kjava/Chess/Chess.jar", "PK\x03\x04\x14\x00"sv, 4500},
    {"/a/mobile/kjava/Chess/Chess.jad",
     "MIDlet-Name: Pocket Chess\r\nMIDlet-Version: 2.0\r\nMIDlet-Jar-URL: Chess.jar\r\n"sv, 0},
    {"/a/mobile/kjava/installed.db", "KJDB\x01"sv, 256},
    {"/a/mobile/system/mma_ucp", "MMA_UCP\x01\x00\x04"sv, 1200},
    {"/a/mobile/system/setup.cfg", "language=ru\r\nbacklight=10\r\nkeytone=off\r\n"sv, 0},
    {"/a/WebSession", "[WebSession]\r\nhomepage=http://wap.example.org/\r\n"sv, 0},
    {"/a/mobile/notes/\xC7\xE0\xEC\xE5\xF2\xEA\xE0.txt",
     "\xCA\xF3\xEF\xE8\xF2\xFC \xF5\xEB\xE5\xE1\r\n"sv, 0},
};

std::string content(const DemoFile& file, unsigned seed)
{
    std::string bytes(file.head);
    unsigned state = seed * 2654435761u + 1;
    while (bytes.size() < file.size) {
        state = state * 1103515245u + 12345u;
        bytes += static_cast<char>(state >> 16);
    }
    return bytes;
}

int writeTree(int folder)
{
    unsigned seed = 0;
    for (const DemoFile& file : kDemoFiles) {
        std::string why;
        std::optional<Segments> names = splitPhonePath(std::string(file.path).c_str(), why);
        if (!names)
            return EINVAL;
        UniqueFd parent = openParentFolder(folder, *names, true);
        if (!parent.valid())
            return errno;
        if (int error = writeNewFileAt(parent.get(), names->back(), content(file, ++seed)))
            return error;
    }
    return 0;
}

} // namespace

std::size_t createDemoContent(const std::string& phoneFolder, std::error_code& ec)
{
    ec.clear();
    UniqueFd root(::open(phoneFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.valid()) {
        ec.assign(errno, std::generic_category());
        return 0;
    }
    const std::string building = temporaryName("-demo");
    // Left by an earlier process that had this id; nobody else builds under it.
    fs::remove_all(fs::path(phoneFolder) / building, ec);
    UniqueFd tree = openParentFolder(root.get(), {building, "fs"}, true);
    int error = tree.valid() ? writeTree(tree.get()) : errno;
    if (error == 0 &&
        ::renameat2(root.get(), building.c_str(), root.get(), "fs", RENAME_NOREPLACE) != 0)
        error = errno;
    if (error != 0) {
        std::error_code ignored;
        fs::remove_all(fs::path(phoneFolder) / building, ignored);
        ec.assign(error, std::generic_category());
        return 0;
    }
    return std::size(kDemoFiles);
}

} // namespace p2kemu
