// Each kind of phone keeps its deleted files in a trash of its own: the emulator's made-up files
// are never offered to a real phone, nor a real phone's to the emulator.
#include "MainWindowFixture.h"
#include "backup/TrashStore.h"

#include <cstdlib>
#include <map>

using namespace zandrel;

namespace {
class PhoneTrashTest : public MainWindowTest {
protected:
    TempDir dataHome;
    PhoneTrashTest() { ::setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1); }
    ~PhoneTrashTest() override { ::unsetenv("XDG_DATA_HOME"); }

    std::size_t copiesIn(const std::string& trash)
    {
        return TrashStore(dataHome.file(trash)).entries().size();
    }
};

TEST_F(PhoneTrashTest, TheEmulatorsDeletedFilesAreKeptApart)
{
    phone.fetchable = std::map<std::string, std::string>{{"/a/mobile/kjava/a.jar", "aaa"}};
    const struct {
        std::string kind;
        std::size_t emulatorCopies, phoneCopies;
    } rows[] = {{PhoneLink::kEmulatorKind, 1, 0}, {PhoneLink::kRealPhoneKind, 1, 1}};
    for (const auto& row : rows) {
        phone.kind = row.kind;
        create();
        form->session().java.push_back("/a/mobile/kjava/a.jar");
        click("BitBtn13");
        prompts.take();
        destroy();
        EXPECT_EQ(copiesIn("zandrel/emulator/trash"), row.emulatorCopies) << row.kind;
        EXPECT_EQ(copiesIn("zandrel/trash"), row.phoneCopies) << row.kind;
    }
}
} // namespace
