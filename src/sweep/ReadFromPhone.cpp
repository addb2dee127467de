#include "sweep/ReadFromPhone.h"

#include "base/ErrorText.h"
#include "base/ProgramInfo.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

namespace zandrel {

namespace {
constexpr std::string_view kJavaPrefix = "/a/mobile/kj";
constexpr std::size_t kProgressStep = 1u << 16;

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

// The names are measured first, so that each list reserves its room once per read; the
// JavaList keeps what it holds and gets room for this read's paths on top.
std::vector<NameShape> measureNames(SweepSession& session, const unsigned char* records,
                                    std::size_t count)
{
    std::vector<NameShape> shapes(count);
    std::size_t javaCount = 0;
    std::size_t javaBytes = 0;
    std::size_t sweepBytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = recordName(records + i * kFileRecordSize);
        const bool java = isJavaPath(name);
        shapes[i] = {static_cast<std::uint16_t>(name.size()), java};
        (java ? javaBytes : sweepBytes) += name.size();
        javaCount += java ? 1 : 0;
    }
    session.sweep.reserve(count - javaCount, sweepBytes);
    session.java.reserve(session.java.size() + javaCount, session.java.byteCount() + javaBytes);
    return shapes;
}

void splitRecords(SweepSession& session, const unsigned char* records, std::size_t count)
{
    const std::vector<NameShape> shapes = measureNames(session, records, count);
    const bool sized = session.phone.canFetch();
    session.sweep.setSizesKnown(sized);
    for (std::size_t i = 0; i < count; ++i) {
        const auto* name =
            reinterpret_cast<const char*>(records + i * kFileRecordSize) + kRecordNameOffset;
        const std::string_view path(name, shapes[i].length);
        if (shapes[i].java)
            session.java.push_back(path);
        else
            session.sweep.append(path, sized ? recordFileSize(records + i * kFileRecordSize) : 0);
        if ((i + 1) % kProgressStep == 0)
            session.prompts.progress(i + 1, count);
    }
    session.prompts.progress(count, count);
}

void readList(SweepSession& session, ReadingCaption& caption)
{
    const int32_t count = session.phone.fileCount();
    if (count < 0) {
        caption.end();
        session.prompts.error(ioErrorText(kRangeCheck, {}));
        return;
    }
    const auto n = static_cast<std::size_t>(count);
    RecordBuffer records;
    if (n > 0) {
        // calloc hands out zeroed pages lazily, and fails cleanly for a count we cannot hold.
        records.reset(static_cast<unsigned char*>(std::calloc(n, kFileRecordSize)));
        if (!records) {
            caption.end();
            session.prompts.error(MessageTexts::format(
                session.texts.get(MessageText::ListTooLarge), {std::to_string(n)}));
            return;
        }
    }
    session.phone.fileList(records.get(), count);
    if (session.keeper)
        session.keeper->lastRead(records.get(), n);
    splitRecords(session, records.get(), n);
}
} // namespace

bool isJavaPath(std::string_view path) { return path.starts_with(kJavaPrefix); }

void ReadFromPhone(SweepSession& session)
{
    session.sweep.clear();
    session.javaOfLastRead = session.java.size();
    if (!session.phone.isConnected()) {
        session.prompts.setCaption(kProgramName);
        return;
    }
    ReadingCaption caption(session.prompts, session.texts.get(MessageText::Receiving));
    readList(session, caption);
}

} // namespace zandrel
