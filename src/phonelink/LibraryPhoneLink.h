#pragma once
#include "phonelink/PhoneLink.h"

namespace zandrel {

// PhoneLink over libp2kapi.so, bound at load time.
class LibraryPhoneLink final : public PhoneLink {
public:
    LibraryPhoneLink();

    int32_t init() override;
    int32_t getStatus() override;
    int32_t restart() override;
    int32_t fileCount() override;
    int32_t fileList(void* records, int32_t count) override;
    int32_t volInfo(int32_t* info) override;
    int32_t fileDelete(const std::string& path) override;
    int32_t fileCreate(const std::string& path, int32_t mode) override;
    int32_t fileWrite(const void* data, int32_t size, int32_t last) override;
    int32_t fileClose() override;
    int32_t seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file) override;
    bool canFetch() override { return fetch_ != nullptr; }
    int32_t fileFetch(const std::string& path, int32_t fd) override;
    std::string phoneKind() override { return kind_; }

private:
    P2K_FileFetchProc fetch_; // the library's File_Fetch, or null when it has none
    std::string kind_;
};

} // namespace zandrel
