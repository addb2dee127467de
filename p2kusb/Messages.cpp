#include "Messages.h"

#include "BigEndian.h"
#include "base/Windows1251.h"

namespace p2kusb {

namespace {

// The separator between the folder and the wildcard of a search pattern.
constexpr std::uint16_t kPatternSeparator = 0xFFFE;
// Sizes of the zero-padded volume name fields of a free-space query (VolumeField).
constexpr std::size_t kPlainVolumeField = 512;
constexpr std::size_t kPrefixedVolumeField = 252;

} // namespace

Request Request::fileCommand(FileOp op, Bytes arguments)
{
    Bytes all = ByteWriter().u32(static_cast<std::uint32_t>(op)).raw(arguments).take();
    return Request(Command::FileSystem, std::move(all));
}

namespace {

bool sendablePath(std::string_view path)
{
    return !path.empty() && path.size() <= kMaxPhonePathBytes;
}

} // namespace

std::optional<Request> Request::fileOpen(std::string_view path, std::uint32_t attributes)
{
    if (!sendablePath(path))
        return std::nullopt;
    return fileCommand(FileOp::Open, ByteWriter().u32(attributes).raw(path).take());
}

std::optional<Request> Request::fileRead(std::uint32_t n)
{
    if (n == 0 || n > kMaxFileChunk)
        return std::nullopt;
    return fileCommand(FileOp::Read, ByteWriter().u32(n).take());
}

std::optional<Request> Request::fileWrite(const std::uint8_t* data, std::size_t n)
{
    if (n == 0 || n > kMaxFileChunk || !data)
        return std::nullopt;
    Bytes arguments = ByteWriter().u32(std::uint32_t(n)).take();
    arguments.insert(arguments.end(), data, data + n);
    return fileCommand(FileOp::Write, std::move(arguments));
}

Request Request::fileSeek(std::uint32_t offset, std::uint8_t whence)
{
    return fileCommand(FileOp::Seek, ByteWriter().u32(offset).u8(whence).take());
}

Request Request::fileClose() { return fileCommand(FileOp::Close, {}); }

std::optional<Request> Request::fileDelete(std::string_view path)
{
    if (!sendablePath(path))
        return std::nullopt;
    return fileCommand(FileOp::Delete, ByteWriter().raw(path).take());
}

Request Request::search(std::string_view folder) { return search(folder, "*"); }

Request Request::search(std::string_view folder, std::string_view name)
{
    return fileCommand(
        FileOp::Search,
        ByteWriter().raw(toUcs2(folder)).u16(kPatternSeparator).raw(toUcs2(name)).u16(0).take());
}

Request Request::volumes() { return fileCommand(FileOp::Volumes, {}); }

Pace Request::pace() const
{
    if (command_ == Command::SeemWrite)
        return Pace::Slow;
    if (command_ != Command::FileSystem || arguments_.size() < 4)
        return Pace::Quick;
    switch (FileOp(ByteReader(arguments_).u32().value_or(0))) {
    case FileOp::Write:
    case FileOp::Close:
    case FileOp::Delete:
        return Pace::Slow;
    default:
        return Pace::Quick;
    }
}

Request Request::listNext(std::uint8_t n)
{
    return fileCommand(FileOp::ListNext, ByteWriter().u8(n).take());
}

std::optional<Request> Request::freeSpace(std::string_view volume, VolumeField field)
{
    Bytes name = toUcs2(volume);
    std::size_t fieldSize =
        field == VolumeField::Plain ? kPlainVolumeField : kPrefixedVolumeField - 2;
    if (name.size() >= fieldSize)
        return std::nullopt;
    ByteWriter arguments;
    if (field == VolumeField::AfterZeroWord)
        arguments.u16(0);
    arguments.raw(name).zeros(fieldSize - name.size());
    return fileCommand(FileOp::FreeSpace, arguments.take());
}

Request Request::seemRead(std::uint16_t seem, std::uint16_t record, std::uint16_t offset,
                          std::uint16_t count)
{
    return Request(Command::SeemRead,
                   ByteWriter().u16(seem).u16(record).u16(offset).u16(count).take());
}

std::optional<Request> Request::seemWrite(std::uint16_t seem, std::uint16_t record,
                                          std::uint16_t offset, const Bytes& data)
{
    if (data.empty() || data.size() > kMaxSeemBytes)
        return std::nullopt;
    return Request(Command::SeemWrite, ByteWriter()
                                           .u16(seem)
                                           .u16(record)
                                           .u16(offset)
                                           .u16(std::uint16_t(data.size()))
                                           .raw(data)
                                           .take());
}

Request Request::restart() { return Request(Command::Restart, {}); }

Bytes Request::frame(std::uint16_t id) const
{
    // Every constructor keeps the arguments within 16 bits of length.
    return ByteWriter()
        .u16(id & kIdMask)
        .u16(static_cast<std::uint16_t>(command_))
        .u16(std::uint16_t(arguments_.size()))
        .u16(0)
        .raw(arguments_)
        .take();
}

Bytes toUcs2(std::string_view text)
{
    ByteWriter out;
    for (char c : text)
        out.u16(windows1251::toUnicode(static_cast<unsigned char>(c)));
    return out.take();
}

} // namespace p2kusb
