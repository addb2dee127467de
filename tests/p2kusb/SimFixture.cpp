#include "SimFixture.h"

#include <cstring>
#include <filesystem>

namespace p2kusb {

SimFixture::SimFixture() : SimFixture(LibraryConfig{}) {}

SimFixture::SimFixture(const LibraryConfig& config)
    : phone(std::make_shared<SimPhone>(dir.path())), port(phone), session(port, config, kTiming)
{
    std::filesystem::create_directories(dir.file("fs/a"));
    EXPECT_EQ(session.init(nullptr), kOk);
}

void SimFixture::putFile(const std::string& phonePath, const std::string& bytes) const
{
    dir.write("fs" + phonePath, bytes);
}

std::string SimFixture::phoneFile(const std::string& phonePath) const
{
    return dir.read("fs" + phonePath);
}

bool SimFixture::phoneHas(const std::string& phonePath) const
{
    return dir.exists("fs" + phonePath);
}

std::vector<std::string> SimFixture::listPaths()
{
    std::int32_t count = session.fileCount();
    EXPECT_GE(count, 0) << resultName(count);
    if (count <= 0)
        return {};
    std::vector<char> records(std::size_t(count) * P2K_RECORD_SIZE);
    EXPECT_EQ(session.fileList(records.data(), count), count);
    std::vector<std::string> paths;
    for (std::int32_t i = 0; i < count; ++i) {
        const char* path =
            records.data() + std::size_t(i) * P2K_RECORD_SIZE + P2K_RECORD_PATH_OFFSET;
        paths.emplace_back(path, strnlen(path, P2K_RECORD_PATH_MAX));
    }
    return paths;
}

Bytes hexBytes(std::string_view hex)
{
    Bytes bytes;
    std::string digits;
    for (char c : hex)
        if (c != ' ')
            digits.push_back(c);
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(std::uint8_t(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

} // namespace p2kusb
