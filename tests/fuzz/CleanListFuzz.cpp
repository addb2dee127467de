// The clean-list parser and writer: what a parse yields is what the format holds, so writing it
// and parsing the bytes again gives the same lines, and nothing else.
#include "FuzzCheck.h"
#include "sweep/CleanListFile.h"

#include <string_view>

using namespace zandrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const PathList lines =
        parseCleanList(std::string_view(reinterpret_cast<const char*>(data), size));
    SweepList list;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(lines[i].find_first_of("\r\n\x1a") == std::string_view::npos);
        list.append(lines[i]);
    }
    const std::string written = cleanListBytes(list, false);
    FUZZ_CHECK(parseCleanList(written) == lines);
    return 0;
}
