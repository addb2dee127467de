#pragma once
#include "TempDir.h"
#include "phonelink/p2kapi.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Each test gets its own phone folder: P2K_Init takes up whatever P2KEMU_ROOT names when it runs.
class EmulatorTest : public ::testing::Test {
protected:
    static constexpr int kRecord = 512;

    EmulatorTest();
    ~EmulatorTest() override;

    // A phone folder holding exactly these files (path, content) and this phone.ini, then P2K_Init.
    void startPhone(const std::vector<std::pair<std::string, std::string>>& files,
                    const std::string& ini = "[Phone]\nconnected=1\ncapacity=1000000\n");
    // The same folder without P2K_Init, so that no walking thread runs in this process.
    void writePhone(const std::vector<std::pair<std::string, std::string>>& files,
                    const std::string& ini = "[Phone]\nconnected=1\ncapacity=1000000\n");
    void writeIni(const std::string& text) const;

    std::string fsFile(const std::string& phonePath) const
    {
        return dir.file("phone/fs" + phonePath);
    }
    bool onPhone(const std::string& phonePath) const;
    std::string phoneFile(const std::string& phonePath) const
    {
        return dir.read("phone/fs" + phonePath);
    }
    std::string journal() const { return dir.read("phone/journal.log"); }

    // File_Count, then File_List into a buffer of that many records.
    std::vector<std::string> listPaths() const;
    std::vector<unsigned char> listRecords() const;

    TempDir dir;
    std::string root;
};

std::string recordPath(const unsigned char* record);
