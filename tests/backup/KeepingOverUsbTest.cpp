// Clean with keeping on over the real phone's library (its Session) against the simulated USB
// phone: a refused read keeps the file on the phone, an unplug midway is told with its counts.
#include "PhoneCopiesFixture.h"

#include "SimPhone.h"

#include "Session.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zandrel;

namespace {

class SessionLink final : public PhoneLink {
public:
    explicit SessionLink(p2kusb::Session& session) : s_(session) {}
    int32_t init() override { return s_.init(nullptr); }
    int32_t getStatus() override { return s_.getStatus(); }
    int32_t restart() override { return s_.restart(); }
    int32_t fileCount() override { return s_.fileCount(); }
    int32_t fileList(void* records, int32_t count) override { return s_.fileList(records, count); }
    int32_t volInfo(int32_t* info) override { return s_.volInfo(info); }
    int32_t fileDelete(const std::string& path) override
    {
        if (beforeDelete)
            beforeDelete();
        return s_.fileDelete(path.c_str());
    }
    std::function<void()> beforeDelete;
    int32_t fileCreate(const std::string& path, int32_t mode) override
    {
        return s_.fileCreate(path.c_str(), mode);
    }
    int32_t fileWrite(const void* data, int32_t size, int32_t last) override
    {
        return s_.fileWrite(data, size, last);
    }
    int32_t fileClose() override { return s_.fileClose(); }
    int32_t seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file) override
    {
        return s_.seemWrite(seem, record, a, b, file);
    }
    bool canFetch() override { return true; }
    int32_t fileFetch(const std::string& path, int32_t fd) override
    {
        return s_.fileFetch(path.c_str(), fd);
    }

private:
    p2kusb::Session& s_;
};

TEST(KeepingOverUsb, ARefusedReadOrAnUnplugNeverLosesAFile)
{
    struct Row {
        const char* name;
        p2kusb::SimFaults faults;
        int unplugAtDelete; // 0: none
        std::string shown;
        Lines left;
        Lines kept;
    };
    const Lines paths = {"/a/p0", "/a/p1", "/a/p2"};
    const std::string refused = "the phone did not give it (result -8)";
    const Row rows[] = {
        {"every command refused", {.refuse = true}, 0,
         "error: 3 of 3 files could not be deleted:\n" + notKept("/a/p0", refused) + "\n" +
             notKept("/a/p1", refused) + "\n" + notKept("/a/p2", refused),
         paths, {}},
        {"unplugged while reading", {.unplugAfter = 0}, 0,
         goneMidClean("0 files were deleted, 3 not deleted, and for 0"), paths, {}},
        {"unplugged at the second delete", {}, 2,
         goneMidClean("1 file was deleted, 1 not deleted, and for 1"), {"/a/p1", "/a/p2"},
         {"/a/p0", "/a/p1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        for (const std::string& path : paths)
            dir.write("phone/fs" + path, "bytes of " + path);
        auto sim = std::make_shared<p2kusb::SimPhone>(dir.file("phone"));
        p2kusb::SimPort port(sim);
        p2kusb::Session session(port, p2kusb::LibraryConfig{});
        SessionLink link(session);
        ASSERT_EQ(link.init(), 0);
        FakePrompts prompts;
        MessageTexts messages;
        BackupTexts texts;
        TrashKeeper keeper(link, texts, TrashStore(dir.file("trash")));
        SweepSession clean{link, prompts, messages, {}, {}, {}};
        clean.keeper = &keeper;
        clean.clean = pathList(paths);
        keeper.lastRead(nullptr, 0, true); // no listing of the clean's own
        sim->setFaults(row.faults);
        int deletes = 0;
        link.beforeDelete = [&] {
            if (++deletes == row.unplugAtDelete)
                sim->unplug();
        };
        CleanByList(clean);
        EXPECT_EQ(prompts.take(), Lines{row.shown});
        Lines left;
        for (const std::string& path : paths)
            if (dir.exists("phone/fs" + path))
                left.push_back(path);
        EXPECT_EQ(left, row.left);
        EXPECT_EQ(phonePathsOf(keeper.store().entries()), row.kept);
    }
}

} // namespace
