#pragma once
// The baselines' storage: the same paths in the same layout as a PathList (one byte buffer and
// the end offset of each path), walked by plain loops.
#include "BenchPaths.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct RawPaths {
    std::string bytes;
    std::vector<std::size_t> ends;
    std::vector<std::uint8_t> ticks;

    explicit RawPaths(const std::vector<std::string>& paths)
    {
        for (const auto& path : paths) {
            bytes += path;
            ends.push_back(bytes.size());
        }
        ticks.assign(paths.size(), 0);
    }
};
