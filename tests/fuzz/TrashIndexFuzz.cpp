// The reader of a deleted-files run's index.tsv: whatever the bytes, every line it takes names a
// path a phone could hold (no TAB, NUL, CR or LF, no longer than a record takes), and writing
// such an entry and reading it back gives the same entry, its pack and offset included.
#include "FuzzCheck.h"
#include "backup/TrashStoreIndex.h"
#include "phonelink/PhoneLink.h"

#include <algorithm>
#include <string_view>

using namespace zandrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OracleReach oracle;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t taken = 0;
    const std::size_t refused = forEachTrashIndexLine(text, [&](TrashEntry& entry) {
        ++taken;
        FUZZ_CHECK(entry.phonePath.find_first_of(std::string_view("\t\r\n\0", 4)) ==
                   std::string::npos);
        FUZZ_CHECK(entry.phonePath.size() <= kRecordNameSize);
        const std::string line = trashIndexLine(entry);
        FUZZ_CHECK(!line.empty() && line.back() == '\n');
        FUZZ_CHECK(std::count(line.begin(), line.end(), '\n') == 1);
        TrashEntry back;
        FUZZ_CHECK(parseTrashIndexLine(std::string_view(line).substr(0, line.size() - 1), back));
        FUZZ_CHECK(back.number == entry.number && back.time == entry.time &&
                   back.size == entry.size && back.phonePath == entry.phonePath &&
                   back.replacedByRestore == entry.replacedByRestore &&
                   back.pack == entry.pack && back.offset == entry.offset);
        // A kind that could split a line is not written.
        FUZZ_CHECK(back.phoneKind == entry.phoneKind || back.phoneKind.empty());
        oracle.reached();
    });
    // Every line is either taken or refused; a final line without its "\n" counts too.
    const std::size_t lines =
        std::count(text.begin(), text.end(), '\n') + (!text.empty() && text.back() != '\n');
    FUZZ_CHECK(taken + refused == lines);
    return 0;
}
