// The clean-list parser and writer: what a parse yields is what the format holds, so writing it
// and parsing the bytes again gives the same lines; and writing any paths at all gives back, in
// order, the paths that were not left out, and nothing that was not in the list.
#include "FuzzCheck.h"
#include "PlainCleanList.h"
#include "sweep/CleanListFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <string_view>
#include <vector>

using namespace zandrel;

namespace {

void anyPathsComeBackAsWritten(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    std::vector<std::string> paths;
    SweepList list;
    while (input.remaining_bytes() > 0) {
        paths.push_back(input.ConsumeRandomLengthString(64));
        list.append(paths.back());
    }
    std::size_t leftOut = 0;
    const PathList back = parseCleanList(cleanListBytes(list, false, &leftOut));
    FUZZ_CHECK(back.size() + leftOut == paths.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < back.size(); ++i) {
        while (next < paths.size() && paths[next] != back[i])
            ++next;
        FUZZ_CHECK(next < paths.size());
        ++next;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OracleReach oracle;
    anyPathsComeBackAsWritten(data, size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const PathList lines = parseCleanList(bytes);
    const std::vector<std::string> plain = plainCleanListLines(bytes);
    FUZZ_CHECK(lines.size() == plain.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        FUZZ_CHECK(lines[i] == plain[i]);
    SweepList list;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(lines[i].find_first_of("\r\n\x1a") == std::string_view::npos);
        list.append(lines[i]);
    }
    std::size_t leftOut = 0;
    const std::string written = cleanListBytes(list, false, &leftOut);
    FUZZ_CHECK(leftOut == 0);
    FUZZ_CHECK(parseCleanList(written) == lines);
    if (!lines.empty())
        oracle.reached();
    return 0;
}
