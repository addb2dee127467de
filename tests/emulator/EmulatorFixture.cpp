#include "EmulatorFixture.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

EmulatorTest::EmulatorTest() : root(dir.file("phone")) { ::setenv("P2KEMU_ROOT", root.c_str(), 1); }

EmulatorTest::~EmulatorTest() { ::unsetenv("P2KEMU_ROOT"); }

void EmulatorTest::startPhone(const std::vector<std::pair<std::string, std::string>>& files,
                              const std::string& ini)
{
    writePhone(files, ini);
    ASSERT_EQ(P2K_Init(nullptr), 0);
}

void EmulatorTest::writePhone(const std::vector<std::pair<std::string, std::string>>& files,
                              const std::string& ini)
{
    std::filesystem::create_directories(root + "/fs");
    for (const auto& [path, bytes] : files)
        dir.write("phone/fs" + path, bytes);
    writeIni(ini);
}

void EmulatorTest::writeIni(const std::string& text) const { dir.write("phone/phone.ini", text); }

bool EmulatorTest::onPhone(const std::string& phonePath) const
{
    std::error_code ec;
    return std::filesystem::is_regular_file(std::filesystem::symlink_status(fsFile(phonePath), ec));
}

std::vector<unsigned char> EmulatorTest::listRecords() const
{
    int32_t count = File_Count();
    EXPECT_GE(count, 0);
    if (count <= 0)
        return {};
    std::vector<unsigned char> records(static_cast<std::size_t>(count) * kRecord);
    EXPECT_EQ(File_List(records.data(), count), count);
    return records;
}

std::vector<std::string> EmulatorTest::listPaths() const
{
    std::vector<unsigned char> records = listRecords();
    std::vector<std::string> paths;
    for (std::size_t at = 0; at < records.size(); at += kRecord)
        paths.push_back(recordPath(records.data() + at));
    return paths;
}

std::string recordPath(const unsigned char* record)
{
    const char* name = reinterpret_cast<const char*>(record + 8);
    return std::string(name, ::strnlen(name, 504));
}
