#pragma once
// Emulator phone folders of many files for the benchmarks, made once and kept between runs under
// build/<preset>/bench-phones/<files>/ (a million empty files take a minute or two).
#include "BenchRatio.h"

#include <benchmark/benchmark.h>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace bench {

inline std::string benchPhonesFolder()
{
    namespace fs = std::filesystem;
    return fs::canonical("/proc/self/exe").parent_path().parent_path().string() + "/bench-phones";
}

// A phone folder holding `count` empty files, a thousand to a folder, kept between runs.
inline std::string phoneFolder(std::size_t count)
{
    namespace fs = std::filesystem;
    const std::string root = benchPhonesFolder() + "/" + std::to_string(count);
    const std::string complete = root + "/.complete";
    if (fs::exists(complete))
        return root;
    fs::remove_all(root);
    static const char* const kFolders[] = {"a/mobile/audio", "a/mobile/picture", "a/mobile/video",
                                           "a/mobile/system", "a/mobile/kjava"};
    for (std::size_t i = 0; i < count; ++i) {
        const std::string folder = root + "/fs/" + kFolders[(i / 1000) % std::size(kFolders)] +
                                   "/d" + std::to_string(i / 1000);
        if (i % 1000 == 0)
            fs::create_directories(folder);
        const std::string file = folder + "/f" + std::to_string(i) + ".dat";
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            throw std::runtime_error("cannot make " + file);
        ::close(fd);
    }
    ::close(::open(complete.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    return root;
}

// The list sizes up to a million: a phone folder of four million files is more than a bench
// should make.
inline void perPhoneSize(benchmark::internal::Benchmark* b)
{
    b->ArgName("files");
    for (const long size : listSizes())
        if (size <= 1'000'000)
            b->Arg(size);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace bench
