#include "app/WorkFolder.h"

#include "base/AtomicWrite.h"
#include "base/LocalFile.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zandrel {

namespace fs = std::filesystem;

namespace {
constexpr const char* kSampleFolders[] = {"orfiles", "seem"};
constexpr std::size_t kLargestSample = 16 << 20;
// A sentence of the README earlier versions wrote into a real phone's working folder, which
// promised the samples this folder no longer gets.
constexpr std::string_view kEarlierReadme = "The files here at first are the samples";

class Preparation {
public:
    explicit Preparation(std::string& failedPath) : failedPath_(failedPath) {}

    void failed(int error, const std::string& path)
    {
        if (error && !first_) {
            first_ = error;
            failedPath_ = path;
        }
    }
    int result() const { return first_; }

private:
    std::string& failedPath_;
    int first_ = 0;
};

// What lies at path itself, a link not followed: 0 when nothing does.
mode_t typeAt(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

void makeFolder(const std::string& path, Preparation& preparation)
{
    std::error_code error;
    fs::create_directories(path, error);
    std::error_code ignored;
    if (!fs::is_directory(path, ignored))
        preparation.failed(typeAt(path) != 0 ? ENOTDIR : error ? error.value() : ENOENT, path);
}

void copyIfMissing(const std::string& from, const std::string& to, Preparation& preparation)
{
    if (typeAt(to) != 0)
        return;
    std::string bytes;
    if (const int error = readWholeFile(from, bytes, kLargestSample))
        return preparation.failed(error, from);
    preparation.failed(writeFileAtomically(to, bytes), to);
}

// Takes out of a real phone's folder a plain file that holds exactly the sample's bytes.
void removeIfSample(const std::string& sample, const std::string& copy, Preparation& preparation)
{
    if (typeAt(copy) != S_IFREG)
        return;
    std::string expected;
    std::string found;
    if (readWholeFile(sample, expected, kLargestSample) != 0 ||
        readWholeFile(copy, found, kLargestSample) != 0 || found != expected)
        return;
    if (::unlink(copy.c_str()) != 0)
        preparation.failed(errno, copy);
}

void placeReadme(const std::string& from, const std::string& to, bool replaceEarlier,
                 Preparation& preparation)
{
    if (typeAt(from) == 0)
        return;
    std::string bytes;
    if (replaceEarlier && typeAt(to) == S_IFREG && readWholeFile(to, bytes, kLargestSample) == 0 &&
        bytes.find(kEarlierReadme) != std::string::npos) {
        std::string readme;
        if (const int error = readWholeFile(from, readme, kLargestSample))
            return preparation.failed(error, from);
        return preparation.failed(writeFileAtomically(to, readme), to);
    }
    copyIfMissing(from, to, preparation);
}
} // namespace

int prepareWorkFolder(const std::string& folder, const WorkFolderSource& source, bool demoPhone,
                      std::string& failedPath)
{
    Preparation preparation(failedPath);
    for (const char* name : kSampleFolders) {
        const std::string target = folder + '/' + name;
        makeFolder(target, preparation);
        const std::string samples = source.shareFolder + '/' + name;
        std::error_code error;
        if (source.shareFolder.empty() || !fs::is_directory(samples, error))
            continue;
        for (const fs::directory_entry& sample : fs::directory_iterator(samples, error)) {
            if (!sample.is_regular_file(error))
                continue;
            const std::string copy = target + '/' + sample.path().filename().string();
            if (demoPhone)
                copyIfMissing(sample.path().string(), copy, preparation);
            else
                removeIfSample(sample.path().string(), copy, preparation);
        }
    }
    if (!source.shareFolder.empty())
        placeReadme(source.shareFolder +
                        (demoPhone ? "/emulator-folder-README.txt" : "/work-folder-README.txt"),
                    folder + "/README.txt", !demoPhone, preparation);
    return preparation.result();
}

} // namespace zandrel
