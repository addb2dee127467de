// ReadFromPhone's own share of a read: from the count to both lists filled, with the phone
// answering from memory, against the same library calls followed by a plain split of the
// records into one contiguous byte buffer.
#include "BenchPaths.h"
#include "BenchRatio.h"
#include "BenchSession.h"
#include "base/MessageTexts.h"
#include "sweep/ReadFromPhone.h"

#include <cstdlib>
#include <memory>

using namespace zandrel;

namespace {

struct RawLists {
    std::string bytes;
    std::vector<std::size_t> ends;
};

// The baseline: the same buffer and library calls, then one memchr per record into one list.
void rawRead(PhoneLink& phone, RawLists& out)
{
    const auto count = static_cast<std::size_t>(phone.fileCount());
    std::unique_ptr<unsigned char, decltype(&std::free)> records(
        static_cast<unsigned char*>(std::calloc(count, kFileRecordSize)), &std::free);
    phone.fileList(records.get(), static_cast<int32_t>(count));
    out.bytes.clear();
    out.ends.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const char* name =
            reinterpret_cast<const char*>(records.get() + i * kFileRecordSize + kRecordNameOffset);
        const void* nul = std::memchr(name, '\0', kRecordNameSize);
        out.bytes.append(name, nul ? static_cast<const char*>(nul) - name : kRecordNameSize);
        out.ends.push_back(out.bytes.size());
    }
}

void ReadFromPhoneBench(benchmark::State& state)
{
    const std::vector<std::string> paths = benchPaths(static_cast<std::size_t>(state.range(0)));
    MemoryPhone phone(paths);
    AnsweringPrompts prompts;
    MessageTexts texts;
    SweepSession session{phone, prompts, texts, {}, {}, {}};
    RawLists raw;
    bench::compare(
        state,
        [&] {
            session.java.clear(); // it only ever grows; every round starts alike
            ReadFromPhone(session);
        },
        // Both sides keep what they grew to in the last round, as the program keeps its lists.
        [&] { rawRead(phone, raw); });
    benchmark::DoNotOptimize(raw.ends.data());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * paths.size()));
}
BENCHMARK(ReadFromPhoneBench)->Apply(bench::perListSize);

} // namespace

BENCHMARK_MAIN();
