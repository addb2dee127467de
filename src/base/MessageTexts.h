#pragma once
#include <array>
#include <initializer_list>
#include <string>

namespace zandrel {

// The program-wide texts; each is named here by what it says and numbered by its language-file
// key in section "message". Texts with %1, %2... are filled in with format().
enum class MessageText {
    Receiving = 71,     // the caption while the phone's file list is read
    Connected = 72,     // status panel while a phone is connected
    Disconnected = 73,  // status panel while none is
    FreeLabel = 74,     // head of the free-space panel
    Deleted = 75,       // after a deletion from the phone
    NotList = 76,       // nothing to delete
    ReadListFirst = 77, // Clean Java before any read
    NotDeleted = 78,    // how many of how many files a deletion pass could not delete
    DeleteResult = 79,  // one of them, with the library's result
    NulInPath = 80,     // one of them, which was not passed on for its NUL byte
    UploadFailed = 81,  // a failed upload, with the call and its result
    ViewerLines = 82,   // a list too long for the viewer: its lines and the most shown
    ViewerBytes = 83,   // the same for its bytes
    ViewerLine = 84,    // the same for its longest line
    ViewerNoEdits = 85, // said under any of the three
    TickedFiles = 86,   // third status panel: how many files are ticked
    TickedSize = 87,    // the same with their size, where the library tells sizes
    RingFixFailed = 88, // Ring Fix's seem write refused, with the library's result
    UploadTooLarge = 89, // followed by the local file's name
    PathsLeftOut = 90,  // paths a saved clean list could not hold
    UnableToWrite = 91, // followed by the local file's name
    ListTooLarge = 92,  // the phone's list needs more memory than there is
    CleanListTooLarge = 93, // followed by the local file's name
};

// The texts hold their built-in English until the language file replaces them at start-up.
class MessageTexts {
public:
    static constexpr int kFirstKey = static_cast<int>(MessageText::Receiving);
    static constexpr int kLastKey = static_cast<int>(MessageText::CleanListTooLarge);

    MessageTexts();

    const std::string& get(MessageText text) const;
    void set(MessageText text, std::string value);

    static const char* builtIn(MessageText text);
    // The text with %1 replaced by the first argument, %2 by the second, and so on. A group
    // "{N:one|other}" (two forms, the English rule) or "{N:one|few|many}" (three, the Russian
    // rule) becomes the form that suits the number in argument N; the form may hold %1, %2...
    static std::string format(const std::string& text, std::initializer_list<std::string> args);
    // Which form of `forms` forms suits count: the English rule for two forms, the Russian
    // rule for three, the first form for any other number of forms.
    static std::size_t pluralForm(unsigned long long count, std::size_t forms);

private:
    std::array<std::string, kLastKey - kFirstKey + 1> texts_;
};

} // namespace zandrel
