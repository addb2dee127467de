// The Backup frame and the Backup tools menu, over the fake phone with and without File_Fetch.
#include "MainWindowFixture.h"

#include "FakePhoneFiles.h"

#include "backup/Sha256.h"
#include "ui/mainwindow/BackupTools.h"
#include "ui/windows/KeptFilesWindow.h"

#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeView>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>

using namespace zandrel;

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
    keepFilesLikeAPhone(phone);
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
    EXPECT_EQ(prompts.take(), Records{"information: 1 file put back on the phone."});
    // Nothing is there any more, as the phone's list says, so nothing is kept first.
    EXPECT_EQ(phone.calls,
              (Records{"P2K_GetStatus", "File_Fetch /a/mobile/kjava/b.jar", "P2K_GetStatus",
                       "File_Count", "File_List 0", "File_Create /a/mobile/kjava/b.jar 4",
                       "File_Write 2 1", "File_Close", "File_Fetch /a/mobile/kjava/b.jar"}));
    EXPECT_EQ(phone.writtenBuffers, Records{std::string("bb\0", 3)});
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, 1).data().toString(), "/a/mobile/kjava/a.jar");
}

TEST_F(BackupToolsTest, ABackupsWindowListsWhatItsManifestNamesAndPutsItBack)
{
    const std::string good = "/a/x.mp3\t4\t" + sha256Hex("tune") + "\ta/x.mp3\n";
    struct Row {
        std::function<void(const TempDir& backup)> make;
        std::string shown; // on opening the backup; FOLDER stands for its path
    };
    const Row rows[] = {
        {[](const TempDir&) {}, "error: There is no backup manifest in FOLDER"},
        {[&](const TempDir& backup) {
             dataHome.write("elsewhere.tsv", good);
             std::filesystem::create_symlink(dataHome.file("elsewhere.tsv"),
                                             backup.file("manifest.tsv"));
         },
         "error: " + BackupTexts().get(BackupText::NotPlainFile) + ": FOLDER/manifest.tsv"},
        {[&](const TempDir& backup) { backup.write("manifest.tsv", "/a/\\x0A\t1\t\n" + good); },
         "warning: 1 line of the manifest could not be read and was left out."},
    };
    keepFilesLikeAPhone(phone);
    create();
    for (const Row& row : rows) {
        TempDir backup;
        backup.write("a/x.mp3", "tune");
        row.make(backup);
        form->backupTools()->showBackup(backup.path());
        std::string shown = row.shown;
        if (const std::size_t at = shown.find("FOLDER"); at != std::string::npos)
            shown.replace(at, 6, backup.path());
        EXPECT_EQ(prompts.take(), Records{shown});
        QWidget* window = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "BackupFilesWindow" && top->isVisible())
                window = top;
        if (!window)
            continue;
        auto* list = window->findChild<QTreeView*>("KeptFilesList");
        ASSERT_EQ(list->model()->rowCount(), 1);
        list->selectionModel()->select(list->model()->index(0, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::mouseClick(window->findChild<QPushButton*>("RestoreButton"), Qt::LeftButton);
        EXPECT_EQ(prompts.take(), Records{"information: 1 file put back on the phone."});
        EXPECT_EQ(phone.fetchable->at("/a/x.mp3"), "tune");
    }
    EXPECT_EQ(phone.callsOf("File_Create").size(), 1u) << "only the good row restores";
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
