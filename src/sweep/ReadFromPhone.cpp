#include "sweep/ReadFromPhone.h"

#include "base/ErrorText.h"
#include "base/ProgramInfo.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace zandrel {

namespace {
constexpr std::string_view kJavaPrefix = "/a/mobile/kj";
// Some milliseconds of splitting between two turns of the window.
constexpr std::size_t kProgressStep = 1u << 14;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using RecordBuffer = std::unique_ptr<unsigned char, FreeDeleter>;

// The caption says "reading" only while the read runs, whichever way it ends.
class ReadingCaption {
public:
    ReadingCaption(Prompts& prompts, const std::string& message) : prompts_(prompts)
    {
        prompts_.setCaption(std::string(kProgramName) + " - " + message);
    }
    ~ReadingCaption() { end(); }
    ReadingCaption(const ReadingCaption&) = delete;
    ReadingCaption& operator=(const ReadingCaption&) = delete;

    // The read has stopped; an error box that follows shows under the plain caption.
    void end()
    {
        if (std::exchange(reading_, false))
            prompts_.setCaption(kProgramName);
    }

private:
    Prompts& prompts_;
    bool reading_ = true;
};

// One record's name as measured by the first pass: its length, and whether it is a Java path.
struct NameShape {
    std::uint16_t length;
    bool java;
};
static_assert(kRecordNameSize <= UINT16_MAX);

// What a read makes before it takes the place of the lists: a read the user stops leaves the
// lists as they were.
struct ReadLists {
    SweepList sweep;
    PathList java;
};

// The progress of a read that has the list, counted in records: each of the passes over them
// makes its share of it, so the window gets its turns all through them.
class SplitProgress {
public:
    SplitProgress(Prompts& prompts, std::size_t count, std::size_t passes)
        : prompts_(prompts), count_(count), passes_(passes)
    {
    }
    // Record i of pass 0, 1... is next. False once the user has asked to stop.
    bool step(int pass, std::size_t i)
    {
        if (i % kProgressStep != 0)
            return true;
        prompts_.progress((static_cast<std::size_t>(pass) * count_ + i) / passes_, count_);
        return !prompts_.stopRequested();
    }
    void end() { prompts_.progress(count_, count_); }

private:
    Prompts& prompts_;
    std::size_t count_;
    std::size_t passes_;
};

// The names are measured first, so that each list reserves its room once per read.
std::optional<std::vector<NameShape>> measureNames(ReadLists& lists, const unsigned char* records,
                                                   std::size_t count, SplitProgress& progress)
{
    std::vector<NameShape> shapes(count);
    std::size_t javaCount = 0;
    std::size_t javaBytes = 0;
    std::size_t sweepBytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!progress.step(0, i))
            return std::nullopt;
        const std::string_view name = recordName(records + i * kFileRecordSize);
        const bool java = isJavaPath(name);
        shapes[i] = {static_cast<std::uint16_t>(name.size()), java};
        (java ? javaBytes : sweepBytes) += name.size();
        javaCount += java ? 1 : 0;
    }
    lists.sweep.reserve(count - javaCount, sweepBytes);
    lists.java.reserve(javaCount, javaBytes);
    return shapes;
}

bool splitRecords(ReadLists& lists, const unsigned char* records, std::size_t count,
                  SplitProgress& progress)
{
    const std::optional<std::vector<NameShape>> shapes =
        measureNames(lists, records, count, progress);
    if (!shapes)
        return false;
    const bool sized = lists.sweep.sizesKnown();
    for (std::size_t i = 0; i < count; ++i) {
        if (!progress.step(1, i))
            return false;
        const auto* name =
            reinterpret_cast<const char*>(records + i * kFileRecordSize) + kRecordNameOffset;
        const std::string_view path(name, (*shapes)[i].length);
        if ((*shapes)[i].java)
            lists.java.push_back(path);
        else
            lists.sweep.append(path, sized ? recordFileSize(records + i * kFileRecordSize) : 0);
    }
    return true;
}

// The keeper learns the sizes a part at a time, the window's turns between. The lists are made
// by then, and a Stop comes too late to matter.
void passSizes(DeletionKeeper& keeper, const unsigned char* records, std::size_t count,
               SplitProgress& progress)
{
    for (std::size_t first = 0; first == 0 || first < count; first += kProgressStep) {
        progress.step(2, first);
        keeper.lastRead(records + first * kFileRecordSize, std::min(kProgressStep, count - first),
                        first == 0);
    }
}

// The read's lists take the place of the old ones: the SweepList whole, the JavaList grows.
void takeLists(SweepSession& session, ReadLists& lists)
{
    session.sweep.take(std::move(lists.sweep));
    session.javaOfLastRead = session.java.size();
    session.java.reserve(session.java.size() + lists.java.size(),
                         session.java.byteCount() + lists.java.byteCount());
    lists.java.forEach([&](std::size_t, std::string_view path) { session.java.push_back(path); });
}

// A read that fails empties the SweepList, as one that finds no phone does.
ReadOutcome failRead(SweepSession& session, ReadingCaption& caption, const std::string& text)
{
    session.sweep.clear();
    session.javaOfLastRead = session.java.size();
    caption.end();
    session.prompts.error(text);
    return ReadOutcome::Failed;
}

ReadOutcome readList(SweepSession& session, ReadingCaption& caption)
{
    const int32_t count = session.phone.fileCount();
    if (count < 0)
        return failRead(session, caption, ioErrorText(kRangeCheck, {}));
    // The listing is the long call: a Stop that came during the count spares it.
    if (session.prompts.stopRequested())
        return ReadOutcome::Stopped;
    const auto n = static_cast<std::size_t>(count);
    RecordBuffer records;
    if (n > 0) {
        // calloc hands out zeroed pages lazily, and fails cleanly for a count we cannot hold.
        records.reset(static_cast<unsigned char*>(std::calloc(n, kFileRecordSize)));
        if (!records)
            return failRead(session, caption,
                            MessageTexts::format(session.texts.get(MessageText::ListTooLarge),
                                                 {std::to_string(n)}));
    }
    session.phone.fileList(records.get(), count);
    SplitProgress progress(session.prompts, n, session.keeper ? 3 : 2);
    ReadLists lists;
    lists.sweep.setSizesKnown(session.phone.canFetch());
    const bool split = !session.prompts.stopRequested() &&
                       splitRecords(lists, records.get(), n, progress);
    if (split && session.keeper)
        passSizes(*session.keeper, records.get(), n, progress);
    progress.end();
    if (!split)
        return ReadOutcome::Stopped;
    takeLists(session, lists);
    return ReadOutcome::Read;
}
} // namespace

bool isJavaPath(std::string_view path) { return path.starts_with(kJavaPrefix); }

ReadOutcome ReadFromPhone(SweepSession& session)
{
    if (!session.phone.isConnected()) {
        session.sweep.clear();
        session.javaOfLastRead = session.java.size();
        session.prompts.setCaption(kProgramName);
        return ReadOutcome::NoPhone;
    }
    ReadingCaption caption(session.prompts, session.texts.get(MessageText::Receiving));
    return readList(session, caption);
}

} // namespace zandrel
