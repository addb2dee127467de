#pragma once
#include <array>
#include <string>

namespace zandrel {

// The seven program-wide texts; each is named here by what it says and numbered by its
// language-file key in section "message".
enum class MessageText {
    Receiving = 71,     // the caption while the phone's file list is read
    Connected = 72,     // status panel while a phone is connected
    Disconnected = 73,  // status panel while none is
    FreeLabel = 74,     // head of the free-space panel
    Deleted = 75,       // after a deletion from the phone
    NotList = 76,       // nothing to delete
    ReadListFirst = 77, // Clean Java before any read
};

// The texts hold their built-in English until the language file replaces them at start-up.
class MessageTexts {
public:
    static constexpr int kFirstKey = static_cast<int>(MessageText::Receiving);
    static constexpr int kLastKey = static_cast<int>(MessageText::ReadListFirst);

    MessageTexts();

    const std::string& get(MessageText text) const;
    void set(MessageText text, std::string value);

    static const char* builtIn(MessageText text);

private:
    std::array<std::string, kLastKey - kFirstKey + 1> texts_;
};

} // namespace zandrel
