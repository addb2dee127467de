#pragma once
#include <array>
#include <string>

namespace zandrel {

// The seven program-wide texts, named by their language-file key 71..77. They hold their
// built-in English texts until the language file replaces them at start-up.
class MessageTexts {
public:
    static constexpr int kFirstKey = 71;
    static constexpr int kLastKey = 77;

    MessageTexts();

    // key must be in 71..77; anything else is a programming error and throws std::out_of_range.
    const std::string& get(int key) const;
    void set(int key, std::string text);

    static const char* builtIn(int key);

private:
    std::array<std::string, kLastKey - kFirstKey + 1> texts_;
};

} // namespace zandrel
