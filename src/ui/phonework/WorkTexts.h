#pragma once
#include <array>
#include <cstdint>
#include <string>

// The texts of phone work the user may stop, in the code page of the language file. Each is key
// 400 + its number in section "work"; a file without them gives the built-in English.
enum class WorkText : std::uint8_t {
    StopButton,
    ReadStopped,
    UploadStopped,
    RingFixStopped,
    Count
};

class WorkTexts {
public:
    static constexpr int kFirstKey = 401;
    static constexpr const char* kSection = "work";

    WorkTexts();
    // Texts from the language file at path; a missing file, section or key keeps the built-in.
    static WorkTexts load(const std::string& path);

    const std::string& get(WorkText text) const { return texts_[static_cast<int>(text)]; }
    static const char* builtIn(WorkText text);

private:
    std::array<std::string, static_cast<int>(WorkText::Count)> texts_;
};
