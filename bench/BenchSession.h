#pragma once
// A phone that answers its file list from memory, and prompts that answer every dialog with one
// file name and show nothing.
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

class MemoryPhone final : public zandrel::PhoneLink {
public:
    explicit MemoryPhone(const std::vector<std::string>& paths) : paths_(paths) {}

    int32_t init() override { return 0; }
    int32_t getStatus() override { return 1; }
    int32_t restart() override { return 0; }
    int32_t fileCount() override { return static_cast<int32_t>(paths_.size()); }
    int32_t fileList(void* records, int32_t count) override
    {
        auto* out = static_cast<unsigned char*>(records);
        for (int32_t i = 0; i < count; ++i) {
            const std::string& path = paths_[static_cast<std::size_t>(i)];
            std::memcpy(out + static_cast<std::size_t>(i) * zandrel::kFileRecordSize +
                            zandrel::kRecordNameOffset,
                        path.data(), std::min(path.size(), zandrel::kRecordNameSize));
        }
        return 0;
    }
    int32_t volInfo(int32_t*) override { return 0; }
    int32_t fileDelete(const std::string&) override { return 0; }
    int32_t fileCreate(const std::string&, int32_t) override { return 0; }
    int32_t fileWrite(const void*, int32_t, int32_t) override { return 0; }
    int32_t fileClose() override { return 0; }
    int32_t seemWrite(int32_t, int32_t, int32_t, int32_t, void*) override { return 0; }

private:
    const std::vector<std::string>& paths_;
};

class AnsweringPrompts final : public zandrel::Prompts {
public:
    std::string fileName;
    std::string lastError;

    void warning(const std::string&) override {}
    void information(const std::string&) override {}
    void error(const std::string& text) override { lastError = text; }
    std::optional<std::string> saveFileName() override { return fileName; }
    std::optional<std::string> openFileName() override { return fileName; }
    void setCaption(const std::string&) override {}
    void progress(std::size_t, std::size_t) override {}
};
