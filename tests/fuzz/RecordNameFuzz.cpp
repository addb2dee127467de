// Record decoding: the phone's list, as any library might fill it, read into the SweepList and
// the JavaList. Every record gives exactly its name area up to the first NUL, in order, and
// lands in the JavaList exactly when it starts with /a/mobile/kj.
#include "FuzzCheck.h"
#include "base/MessageTexts.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"
#include "sweep/ReadFromPhone.h"

#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>
#include <vector>

using namespace zandrel;

namespace {

// A phone with the given records; File_List fills what it has and what it was asked for.
class RecordPhone : public PhoneLink {
public:
    RecordPhone(std::vector<unsigned char> records, int32_t count)
        : records_(std::move(records)), count_(count)
    {
    }
    int32_t init() override { return 0; }
    int32_t getStatus() override { return kStatusConnected; }
    int32_t restart() override { return 0; }
    int32_t fileCount() override { return count_; }
    int32_t fileList(void* records, int32_t count) override
    {
        std::size_t bytes = std::min(records_.size(), std::size_t(count) * kFileRecordSize);
        if (bytes > 0)
            std::memcpy(records, records_.data(), bytes);
        return static_cast<int32_t>(bytes / kFileRecordSize);
    }
    int32_t volInfo(int32_t*) override { return 0; }
    int32_t fileDelete(const std::string&) override { return 0; }
    int32_t fileCreate(const std::string&, int32_t) override { return 0; }
    int32_t fileWrite(const void*, int32_t size, int32_t) override { return size; }
    int32_t fileClose() override { return 0; }
    int32_t seemWrite(int32_t, int32_t, int32_t, int32_t, void*) override { return 0; }

private:
    std::vector<unsigned char> records_;
    int32_t count_;
};

class SilentPrompts : public Prompts {
public:
    void warning(const std::string&) override {}
    void information(const std::string&) override {}
    void error(const std::string&) override { ++errors; }
    std::optional<std::string> saveFileName() override { return std::nullopt; }
    std::optional<std::string> openFileName() override { return std::nullopt; }
    void setCaption(const std::string&) override {}
    void progress(std::size_t, std::size_t) override {}
    int errors = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OracleReach oracle;
    FuzzedDataProvider input(data, size);
    // Mostly the count of the records given, sometimes one that disagrees with them. The
    // provider takes it from the input's last byte (2 gives the records' own count, 3 one more).
    const int extra = input.ConsumeIntegralInRange<int>(-2, 2);
    std::vector<unsigned char> records = input.ConsumeRemainingBytes<unsigned char>();
    records.resize((records.size() + kFileRecordSize - 1) / kFileRecordSize * kFileRecordSize);
    const auto given = static_cast<int32_t>(records.size() / kFileRecordSize);
    const int32_t count = given + (extra == 2 ? 0 : extra);

    RecordPhone phone(records, count);
    SilentPrompts prompts;
    MessageTexts texts;
    SweepSession session{phone, prompts, texts, {}, {}, {}};
    ReadFromPhone(session);
    if (count < 0) {
        FUZZ_CHECK(prompts.errors == 1 && session.sweep.empty() && session.java.empty());
        return 0;
    }
    FUZZ_CHECK(session.sweep.size() + session.java.size() == static_cast<std::size_t>(count));
    std::size_t sweep = 0;
    std::size_t java = 0;
    for (int32_t i = 0; i < count; ++i) {
        std::string_view name;
        if (i < given) {
            const unsigned char* record = records.data() + i * kFileRecordSize;
            const char* area = reinterpret_cast<const char*>(record + kRecordNameOffset);
            name = std::string_view(area, strnlen(area, kRecordNameSize));
            FUZZ_CHECK(recordName(record) == name);
            if (!name.empty())
                oracle.reached();
        }
        const bool isJava = name.starts_with("/a/mobile/kj");
        FUZZ_CHECK(isJavaPath(name) == isJava);
        if (isJava)
            FUZZ_CHECK(session.java[java++] == name);
        else
            FUZZ_CHECK(session.sweep.path(sweep++) == name);
    }
    return 0;
}
