#include "tools/UploadFile.h"
#include "FakePhoneLink.h"
#include "FakePrompts.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace zandrel;

namespace {
using Lines = std::vector<std::string>;

Lines uploadCalls(const std::string& phonePath, std::size_t size)
{
    const auto n = static_cast<long long>(size);
    return {"P2K_GetStatus", "File_Delete " + phonePath, "File_Create " + phonePath + " 4",
            "File_Write " + std::to_string(n) + " " + std::to_string(n - 1), "File_Close"};
}

class UploadFileTest : public testing::Test {
protected:
    FakePhoneLink phone;
    FakePrompts prompts;
    MessageTexts texts;
    TempDir folder;
    WorkingDirectory inFolder{folder.path()};
};

TEST_F(UploadFileTest, SendsTheFileAndOneZeroByteInOneWrite)
{
    const std::vector<std::string> contents = {"", "hello", std::string("\x00\xFF\r\n\x1A", 5),
                                               std::string(70000, 'q')};
    for (const auto& content : contents) {
        phone.calls.clear();
        phone.writtenBuffers.clear();
        folder.write("orfiles/WebSession", content);
        UploadFile(phone, prompts, texts, "orfiles\\WebSession", "/a/WebSession");
        EXPECT_EQ(phone.calls, uploadCalls("/a/WebSession", content.size()));
        EXPECT_EQ(phone.writtenBuffers, (Lines{content + std::string(1, '\0')}));
    }
    EXPECT_TRUE(prompts.take().empty());
}

TEST_F(UploadFileTest, TheThreeToolsSendTheirOwnFiles)
{
    folder.write("orfiles/mma_ucp(c650)", "c650");
    folder.write("orfiles/mma_ucp(E398)", "e398!");
    folder.write("orfiles/WebSession", "web");
    struct Row {
        UploadOutcome (*tool)(PhoneLink&, Prompts&, const MessageTexts&, DeletionKeeper*);
        std::string phonePath;
        std::string content;
    };
    for (const Row& row : {Row{UploadMmaC650, "/a/mobile/system/mma_ucp", "c650"},
                           Row{UploadMmaE398, "/a/mobile/system/mma_ucp", "e398!"},
                           Row{UploadWebSession, "/a/WebSession", "web"}}) {
        phone.calls.clear();
        phone.writtenBuffers.clear();
        row.tool(phone, prompts, texts, nullptr);
        EXPECT_EQ(phone.calls, uploadCalls(row.phonePath, row.content.size()));
        EXPECT_EQ(phone.writtenBuffers, (Lines{row.content + std::string(1, '\0')}));
    }
}

TEST_F(UploadFileTest, LocalFileThatCannotBeReadLeavesThePhoneAlone)
{
    struct Row {
        const char* setup;
        const char* error;
    };
    for (const Row row : {Row{"missing folder", "error: Invalid filename"},
                          Row{"missing file", "error: File not found"},
                          Row{"other case only", "error: File not found"},
                          Row{"folder for file", "error: File access denied"},
                          Row{"pipe for file", "error: File access denied"},
                          Row{"link to a device", "error: File access denied"},
                          Row{"link to a /proc file", "error: File access denied"}}) {
        std::filesystem::remove_all(folder.file("orfiles"));
        const std::string setup = row.setup;
        if (setup == "missing file")
            std::filesystem::create_directory(folder.file("orfiles"));
        if (setup == "other case only")
            folder.write("orfiles/mma_ucp(C650)", "upper case C");
        if (setup == "folder for file")
            std::filesystem::create_directories(folder.file("orfiles/mma_ucp(c650)"));
        const std::string file = folder.file("orfiles/mma_ucp(c650)");
        if (setup == "pipe for file" || setup.starts_with("link"))
            std::filesystem::create_directory(folder.file("orfiles"));
        if (setup == "pipe for file") {
            ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
        }
        if (setup == "link to a device")
            std::filesystem::create_symlink("/dev/zero", file);
        if (setup == "link to a /proc file")
            std::filesystem::create_symlink("/proc/self/status", file);
        phone.calls.clear();
        UploadMmaC650(phone, prompts, texts);
        EXPECT_EQ(prompts.take(), (Lines{row.error})) << setup;
        EXPECT_EQ(phone.calls, (Lines{"P2K_GetStatus"})) << setup;
    }
}

TEST_F(UploadFileTest, NotConnectedDoesNothingAtAll)
{
    phone.status = 0;
    UploadWebSession(phone, prompts, texts); // the missing file is not even looked at
    folder.write("orfiles/WebSession", "web");
    UploadWebSession(phone, prompts, texts);
    EXPECT_EQ(phone.calls, (Lines{"P2K_GetStatus", "P2K_GetStatus"}));
    EXPECT_TRUE(prompts.take().empty());
}

TEST_F(UploadFileTest, LooksInTheWorkingDirectoryOfTheMoment)
{
    TempDir other;
    other.write("orfiles/WebSession", "other");
    folder.write("orfiles/WebSession", "here");
    {
        WorkingDirectory inOther(other.path());
        UploadWebSession(phone, prompts, texts);
    }
    UploadWebSession(phone, prompts, texts);
    EXPECT_EQ(phone.writtenBuffers, (Lines{std::string("other\0", 6), std::string("here\0", 5)}));
}

TEST_F(UploadFileTest, ReadOnlyLocalFileWorks)
{
    // Meaningful only where file permissions bind; that the file is opened for reading only
    // is checked on the descriptor in the local file tests, for root too.
    folder.write("orfiles/WebSession", "ro");
    ::chmod(folder.file("orfiles/WebSession").c_str(), 0444);
    UploadWebSession(phone, prompts, texts);
    EXPECT_EQ(phone.calls, uploadCalls("/a/WebSession", 2));
}

TEST_F(UploadFileTest, FileTooLargeForOneWriteIsRefusedBeforeThePhoneIsTouched)
{
    folder.write("orfiles/WebSession", "");
    // A sparse file: its size says 2 GiB while it takes no room on the disk.
    ASSERT_EQ(::truncate(folder.file("orfiles/WebSession").c_str(), 0x80000000LL), 0);
    UploadWebSession(phone, prompts, texts);
    EXPECT_EQ(prompts.take(), (Lines{"error: File too large to send: orfiles/WebSession"}));
    EXPECT_EQ(phone.calls, (Lines{"P2K_GetStatus"}));
}
// A library call of the upload that fails is told with its result; the calls are made as always.
TEST_F(UploadFileTest, FailedCallOfTheUploadIsToldWithItsResult)
{
    struct Row {
        std::size_t failCall; // counted from P2K_GetStatus = 1
        Lines shown;
    };
    const Row rows[] = {
        {2, {}}, // File_Delete: the phone may not have had the file
        {3, {"error: Sending /a/WebSession to the phone failed: File_Create gave -5"}},
        {4, {"error: Sending /a/WebSession to the phone failed: File_Write gave -5"}},
        {5, {"error: Sending /a/WebSession to the phone failed: File_Close gave -5"}},
    };
    folder.write("orfiles/WebSession", "web");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.failCall);
        phone.calls.clear();
        phone.failCall = row.failCall;
        phone.failResult = -5;
        UploadWebSession(phone, prompts, texts);
        EXPECT_EQ(phone.calls, uploadCalls("/a/WebSession", 3));
        EXPECT_EQ(prompts.take(), row.shown);
    }
}

// Keeps nothing, but says when it was asked to, as a fetch of the old file would.
class RecordingKeeper final : public DeletionKeeper {
public:
    explicit RecordingKeeper(FakePhoneLink& phone) : phone_(phone) {}
    void lastRead(const unsigned char*, std::size_t, bool) override {}
    void keep(const std::string& path) override { phone_.calls.push_back("keep " + path); }
    std::string endRun() override
    {
        phone_.calls.push_back("endRun");
        return {};
    }
    void uploadFailed(const std::string&, Prompts&) override {}
    void notDeleted(const std::string& path) override
    {
        phone_.calls.push_back("notDeleted " + path);
    }

private:
    FakePhoneLink& phone_;
};

// Stop is asked once the old file is kept; from the delete to the close the upload always ends.
TEST_F(UploadFileTest, StopComesBetweenKeepingAndTheUploadNeverInsideIt)
{
    struct Row {
        const char* name;
        bool keeping;
        const char* stopDuring; // the call during which the user asks to stop; null: before all
        UploadOutcome outcome;
        Lines calls;
    };
    const Lines whole = uploadCalls("/a/WebSession", 3);
    const Lines keptWhole = {"P2K_GetStatus",  "keep /a/WebSession", "File_Delete /a/WebSession",
                             "File_Create /a/WebSession 4", "File_Write 3 2", "File_Close",
                             "endRun"};
    const Row rows[] = {
        {"no stop", false, "", UploadOutcome::Sent, whole},
        {"stop before the upload", false, nullptr, UploadOutcome::Stopped, {"P2K_GetStatus"}},
        {"stop while the old file is kept", true, nullptr, UploadOutcome::Stopped,
         {"P2K_GetStatus", "keep /a/WebSession", "notDeleted /a/WebSession", "endRun"}},
        {"stop during the delete", true, "File_Delete", UploadOutcome::Sent, keptWhole},
        {"stop during the create", false, "File_Create", UploadOutcome::Sent, whole},
        {"stop during the write", false, "File_Write", UploadOutcome::Sent, whole},
    };
    folder.write("orfiles/WebSession", "web");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        phone.calls.clear();
        RecordingKeeper keeper(phone);
        prompts.stopAfterReports.reset();
        if (!row.stopDuring)
            prompts.stopAfterReports = 0;
        phone.onCall = [&, call = std::string(row.stopDuring ? row.stopDuring : "")](
                           const std::string& made) {
            if (!call.empty() && made.starts_with(call))
                prompts.stopAfterReports = 0;
        };
        EXPECT_EQ(UploadWebSession(phone, prompts, texts, row.keeping ? &keeper : nullptr),
                  row.outcome);
        EXPECT_EQ(phone.calls, row.calls);
        EXPECT_TRUE(prompts.take().empty());
    }
}
} // namespace
