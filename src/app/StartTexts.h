#pragma once
#include <string>

namespace zandrel {

// What a running Zandrel says when a later start wanted the other kind of phone. Keys 301 and
// 302 of section "start" of the language file; a file without them gives the built-in English.
struct StartTexts {
    static constexpr const char* kSection = "start";

    // The running one talks to the emulator; the later start wanted the phone.
    std::string runsWithEmulator =
        "Zandrel is already running with the phone emulator. Close it to start Zandrel with "
        "the phone.";
    // The running one talks to a phone; the later start wanted the emulator.
    std::string runsWithPhone =
        "Zandrel is already running with the phone. Close it to try the phone emulator.";

    static StartTexts load(const std::string& languageFile);
};

} // namespace zandrel
