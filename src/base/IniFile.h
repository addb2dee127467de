#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

// An INI file held as its bytes plus an index of its lines, read the way the classic profile
// functions read it: section and key names without regard to letter case, blanks trimmed,
// one pair of enclosing quotes removed, only the first section of a name searched and in it the
// first key of a name. Writing changes only the line concerned; every other byte stays.
class IniFile {
public:
    // The longest value a read returns; longer values (and defaults) are cut.
    static constexpr std::size_t kMaxValue = 2047;
    // Settings and language files are a few kilobytes; a larger file is not one of them.
    static constexpr std::size_t kLargestFile = 16 << 20;

    IniFile() = default;
    static IniFile fromBytes(std::string bytes);
    // A missing or unreadable file gives an empty one: every read then yields its default. So
    // does anything but a regular file (a pipe, a device) and a file past kLargestFile.
    static IniFile load(const std::string& path);

    // The value of `key` in `section`, or `fallback` (less its trailing spaces) when the
    // section or the key is missing. A key with nothing after its "=" gives the empty text.
    std::string read(std::string_view section, std::string_view key,
                     std::string_view fallback) const;

    // Sets `key` in `section` to `value` exactly as given, adding the section or key if missing.
    void write(std::string_view section, std::string_view key, std::string_view value);

    const std::string& bytes() const { return bytes_; }

private:
    enum class Kind { Other, Comment, Section, Key };

    struct Range {
        std::size_t begin = 0;
        std::size_t end = 0;
    };

    struct Line {
        std::size_t begin = 0;      // first byte of the line
        std::size_t contentEnd = 0; // where its line end starts
        std::size_t end = 0;        // after its line end
        Kind kind = Kind::Other;
        Range name;  // section name or key name, trimmed
        Range value; // key value, trimmed
    };

    struct Section {
        Range name;
        std::size_t header = 0;   // index of its "[" line
        std::size_t lastLine = 0; // index of its last line
        std::size_t lastKey = 0;  // index of its last key line, or the header when none
    };

    void index();
    std::size_t findInLine(char c, std::size_t from, std::size_t contentEnd) const;
    Line parseLine(std::size_t begin, std::size_t contentEnd, std::size_t end) const;
    std::string_view text(Range r) const;
    const Section* findSection(std::string_view name) const;
    const Line* findKey(const Section& section, std::string_view key) const;

    std::string bytes_;
    std::vector<Line> lines_;
    std::vector<Section> sections_;
};

// Reads the file at `path`, sets the value and writes the file back atomically. A missing file
// is created. Returns 0 or an error number; on failure the old file is left as it was.
[[nodiscard]] int writeIniValue(const std::string& path, std::string_view section,
                                std::string_view key, std::string_view value);

// A language file's numbered texts of one section: texts[i] is key firstKey + i, or builtIn[i]
// where the file, the section or the key is missing.
template <std::size_t N>
void readNumberedTexts(const std::string& path, const char* section, int firstKey,
                       const char* const* builtIn, std::array<std::string, N>& texts)
{
    const IniFile file = IniFile::load(path);
    for (std::size_t i = 0; i < N; ++i)
        texts[i] = file.read(section, std::to_string(firstKey + static_cast<int>(i)), builtIn[i]);
}

} // namespace zandrel
