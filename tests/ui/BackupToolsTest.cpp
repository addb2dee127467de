// The Backup frame and the Backup tools menu, over the fake phone with and without File_Fetch.
#include "MainWindowFixture.h"

#include "ui/mainwindow/BackupTools.h"
#include "ui/windows/KeptFilesWindow.h"

#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeView>

#include <cstdlib>
#include <ctime>
#include <map>

using namespace zandrel;
using Records = std::vector<std::string>;

namespace {

// Each test keeps its deleted files in a trash of its own.
class BackupToolsTest : public MainWindowTest {
protected:
    TempDir dataHome;
    BackupToolsTest() { ::setenv("XDG_DATA_HOME", dataHome.path().c_str(), 1); }
    ~BackupToolsTest() override { ::unsetenv("XDG_DATA_HOME"); }

    void cleanJava(const Records& paths)
    {
        for (const std::string& path : paths)
            form->session().java.push_back(path);
        click("BitBtn13");
    }

    KeptFilesWindow* deletedFilesWindow()
    {
        trigger("Deletedfiles1");
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "DeletedFilesWindow" && window->isVisible())
                return static_cast<KeptFilesWindow*>(window);
        ADD_FAILURE() << "no Deleted files window";
        return nullptr;
    }
};

TEST_F(BackupToolsTest, TheControlsWorkOnlyWithALibraryThatCanFetch)
{
    struct Row {
        bool fetch;
        Records items;
    };
    const Row rows[] = {
        {false, {}},
        {true, {"Createbackup1", "Restorefrombackup1", "N3", "Deletedfiles1", "Keepdeletedfiles1"}},
    };
    for (const Row& row : rows) {
        if (row.fetch)
            phone.fetchable.emplace();
        create();
        EXPECT_EQ(find<QAbstractButton>("BitBtn18")->isEnabled(), row.fetch);
        EXPECT_EQ(find<QAction>("Backuptools1")->isEnabled(), row.fetch);
        Records items;
        for (QAction* action : find<QMenu>("Backuptools1")->actions())
            items.push_back(action->objectName().toStdString());
        EXPECT_EQ(items, row.items);
        destroy();
    }
}

TEST_F(BackupToolsTest, DeletedFilesAreListedAndPutBack)
{
    phone.fetchable = std::map<std::string, std::string>{{"/a/mobile/kjava/a.jar", "aaa"},
                                                         {"/a/mobile/kjava/b.jar", "bb"}};
    create();
    cleanJava({"/a/mobile/kjava/a.jar", "/a/mobile/kjava/b.jar"});
    EXPECT_EQ(phone.callsOf("File_Fetch"),
              (Records{"File_Fetch /a/mobile/kjava/a.jar", "File_Fetch /a/mobile/kjava/b.jar"}));
    KeptFilesWindow* window = deletedFilesWindow();
    ASSERT_TRUE(window);
    QAbstractItemModel* rows = window->list()->model();
    ASSERT_EQ(rows->rowCount(), 2);
    EXPECT_EQ(rows->index(1, 1).data().toString(), "/a/mobile/kjava/b.jar");
    EXPECT_EQ(rows->index(1, 2).data().toString(), "2");

    window->list()->selectionModel()->select(rows->index(1, 0), QItemSelectionModel::Select |
                                                                    QItemSelectionModel::Rows);
    phone.calls.clear();
    QTest::mouseClick(window->findChild<QPushButton*>("RestoreButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.take(), Records{"information: 1 files put back on the phone."});
    EXPECT_EQ(phone.calls,
              (Records{"P2K_GetStatus", "File_Create /a/mobile/kjava/b.jar 4", "File_Write 2 1",
                       "File_Close", "File_Fetch /a/mobile/kjava/b.jar"}));
    EXPECT_EQ(phone.writtenBuffers, Records{std::string("bb\0", 3)});
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, 1).data().toString(), "/a/mobile/kjava/a.jar");
}

TEST_F(BackupToolsTest, KeepingIsTurnedOffWithOneClickAndRemembered)
{
    phone.fetchable = std::map<std::string, std::string>{{"/a/mobile/kjava/a.jar", "aaa"}};
    create();
    trigger("Keepdeletedfiles1");
    EXPECT_NE(programDir.read("Zandrel.ini").find("[Backup]\r\nKeepDeleted=0\r\n"),
              std::string::npos);
    cleanJava({"/a/mobile/kjava/a.jar"});
    EXPECT_EQ(callsAfterInit(), Records{"File_Delete /a/mobile/kjava/a.jar"});
    destroy();
    create();
    EXPECT_FALSE(find<QAction>("Keepdeletedfiles1")->isChecked());
}

// Old runs go once the window has been painted, and nothing that is not a run of the trash's
// own; a setting that cannot be read is told.
TEST_F(BackupToolsTest, StartUpTidiesOnlyOldRunsAndTellsAnUnreadableSetting)
{
    const std::int64_t now = ::time(nullptr);
    for (const std::int64_t when : {now - 100 * 24 * 3600, now - 60}) {
        const TrashStore store(dataHome.file("zandrel/trash"));
        const std::string run = store.newRun(when);
        dataHome.write("zandrel/trash/" + run + "/.1.part", "abc");
        ASSERT_EQ(store.add(TrashEntry{run, 1, when, 3, "/a/" + run, ""}), 0);
    }
    dataHome.write("zandrel/trash/photos/me.jpg", "me");
    programDir.write("Zandrel.ini", "[Backup]\r\nKeepDeleted=maybe\r\n");
    phone.fetchable.emplace();
    create();
    QApplication::processEvents();
    EXPECT_EQ(prompts.take(),
              Records{"warning: Zandrel.ini holds a setting that cannot be read: "
                      "KeepDeleted=maybe. Its default is used, so deleted files are kept."});
    EXPECT_TRUE(find<QAction>("Keepdeletedfiles1")->isChecked());
    destroy(); // waits for the tidying
    const std::vector<TrashEntry> left = TrashStore(dataHome.file("zandrel/trash")).entries();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].time, now - 60);
    EXPECT_TRUE(dataHome.exists("zandrel/trash/photos/me.jpg"));
}

} // namespace
