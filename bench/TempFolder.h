#pragma once
// A folder of the bench's own under $TMPDIR (or /tmp), removed with all it holds at the end.
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

class TempFolder {
public:
    explicit TempFolder(const std::string& prefix)
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder");
        path = pattern;
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string path;
};
