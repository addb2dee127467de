#pragma once
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

// A million believable phone paths: every category rule finds some, most are Java-free.
inline std::vector<std::string> benchPaths(std::size_t count)
{
    static const char* const kShapes[] = {
        "/a/mobile/audio/track%07zu.mp3",  "/a/mobile/picture/photo%07zu.jpg",
        "/a/mobile/picture/anim%07zu.gif", "/a/mobile/mms/mmstemplate/t%07zu.mms",
        "/a/mobile/system/snd%07zu.wav",   "/a/mobile/skins/theme%07zu.tcf",
        "/a/mobile/video/clip%07zu.3gp",   "/a/mobile/kjava/game%07zu.jar",
        "/a/mobile/mib/pcf%07zu.dat",      "/a/mobile/system/config%07zu.bin",
    };
    std::vector<std::string> paths;
    paths.reserve(count);
    char buffer[128];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, kShapes[i % std::size(kShapes)], i);
        paths.emplace_back(buffer);
    }
    return paths;
}
