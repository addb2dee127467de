// The main window's layout and look, start-up and shutdown.
#include "MainWindowFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

#include <filesystem>

using namespace zandrel;

namespace {
struct Place {
    const char* name;
    QRect designed; // relative to the parent of the layout: client area, page or group frame
};

// Controls on a page land where the layout says, measured from the notebook: a page's client
// area begins at 4, 24 inside it.
const Place kPagePlaces[] = {
    {"BitBtn1", {8, 8, 129, 25}},     {"BitBtn11", {144, 8, 201, 25}},
    {"BitBtn12", {352, 8, 105, 25}},  {"CheckListBox1", {8, 40, 313, 249}},
    {"BitBtn2", {336, 40, 121, 25}},  {"BitBtn9", {336, 72, 121, 25}},
    {"BitBtn3", {336, 104, 121, 25}}, {"BitBtn4", {336, 136, 121, 25}},
    {"BitBtn5", {336, 168, 121, 25}}, {"BitBtn6", {336, 200, 121, 25}},
    {"BitBtn7", {336, 232, 121, 25}}, {"BitBtn8", {336, 264, 121, 25}},
    {"Edit1", {8, 296, 225, 21}},     {"BitBtn10", {240, 296, 83, 25}},
    {"Memo1", {336, 296, 121, 25}},   {"BitBtn16", {8, 8, 137, 25}},
    {"BitBtn13", {8, 40, 137, 25}},   {"BitBtn14", {8, 72, 137, 25}},
    {"GroupBox1", {8, 104, 137, 97}}, {"GroupBox3", {160, 8, 153, 129}},
    {"GroupBox2", {328, 8, 121, 73}},
};

const Place kGroupPlaces[] = {
    {"BitBtn15", {8, 24, 121, 25}},  {"BitBtn17", {8, 56, 121, 25}},
    {"BitBtn19", {24, 24, 105, 25}}, {"BitBtn20", {24, 56, 105, 25}},
    {"BitBtn21", {24, 88, 105, 25}}, {"BitBtn18", {8, 24, 97, 25}},
};

TEST_F(MainWindowTest, ControlsSitAtTheirDesignedPlaces)
{
    create();
    auto* client = form->centralWidget();
    EXPECT_EQ(client->size(), QSize(488, 382));
    auto* notebook = find<QTabWidget>("TabbedNotebook1");
    EXPECT_EQ(notebook->geometry(), QRect(8, 0, 473, 361));
    EXPECT_EQ(find<QWidget>("StatusBar1")->geometry(), QRect(0, 366, 488, 16));
    EXPECT_EQ(find<QLabel>("StatusBar1.0")->geometry(), QRect(0, 0, 130, 16));
    EXPECT_EQ(find<QLabel>("StatusBar1.1")->geometry().left(), 132);
    // The third panel, what the ticked files come to, comes after the two designed ones.
    const QRect lastPanel = find<QLabel>("StatusBar1.2")->geometry();
    EXPECT_GT(lastPanel.left(), find<QLabel>("StatusBar1.1")->geometry().right());
    EXPECT_EQ(lastPanel.right(), 487) << "the last panel reaches to the right end";

    for (int page : {0, 1}) {
        notebook->setCurrentIndex(page);
        for (const Place& place : kPagePlaces) {
            auto* widget = find<QWidget>(place.name);
            if (!notebook->widget(page)->isAncestorOf(widget))
                continue;
            SCOPED_TRACE(place.name);
            const QPoint inNotebook = widget->mapTo(notebook, QPoint(0, 0));
            EXPECT_EQ(QRect(inNotebook, widget->size()), place.designed.translated(4, 24));
        }
    }
    for (const Place& place : kGroupPlaces) {
        SCOPED_TRACE(place.name);
        auto* widget = find<QWidget>(place.name);
        EXPECT_TRUE(qobject_cast<QGroupBox*>(widget->parentWidget()));
        EXPECT_EQ(widget->geometry(), place.designed);
    }
}

TEST_F(MainWindowTest, WindowIsFixedAtItsDesignedPlaceWithItsCaption)
{
    create();
    EXPECT_EQ(form->objectName(), "Form1");
    EXPECT_EQ(form->windowTitle(), "Zandrel");
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->height(), 382 + form->menuBar()->height());
    EXPECT_EQ(form->pos(), QPoint(279, 135));
    EXPECT_EQ(find<QTabWidget>("TabbedNotebook1")->currentIndex(), 0);
}

TEST_F(MainWindowTest, LookOfTheControls)
{
    create();
    EXPECT_TRUE(find<QPushButton>("BitBtn1")->font().bold());
    EXPECT_FALSE(find<QPushButton>("BitBtn11")->font().bold());
    for (const char* name : {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6",
                             "BitBtn7", "BitBtn8", "BitBtn9", "BitBtn11"}) {
        SCOPED_TRACE(name);
        auto* button = find<QPushButton>(name);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->iconSize(), QSize(20, 20));
    }
    for (const char* name : {"BitBtn10", "BitBtn12", "BitBtn13", "BitBtn16", "BitBtn21"})
        EXPECT_TRUE(find<QPushButton>(name)->icon().isNull()) << name;
    EXPECT_FALSE(find<QPlainTextEdit>("Memo1")->isVisible());
    find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(1);
    EXPECT_FALSE(find<QPlainTextEdit>("Memo1")->isVisible());

    auto* list = find<QListView>("CheckListBox1");
    EXPECT_TRUE(list->uniformItemSizes());
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->model()->rowCount(), 0);

    EXPECT_TRUE(timerStartedWithWindow);
    EXPECT_EQ(find<QTimer>("Timer2")->interval(), 1000);
}

// Only BitBtn18 and the Backup tools menu are disabled at start.
TEST_F(MainWindowTest, EverythingButTheBackupControlsStartsEnabled)
{
    create();
    for (auto* button : form->findChildren<QAbstractButton*>())
        EXPECT_EQ(button->isEnabled(), button->objectName() != "BitBtn18")
            << button->objectName().toStdString();
    for (auto* action : form->findChildren<QAction*>())
        EXPECT_EQ(action->isEnabled(), action->objectName() != "Backuptools1")
            << action->objectName().toStdString();
}

std::vector<std::string> tabChain(QWidget* first, int count)
{
    std::vector<std::string> chain;
    QWidget* widget = first;
    for (int i = 0; i < count; ++i, widget = widget->nextInFocusChain()) {
        while (widget->focusPolicy() == Qt::NoFocus || widget->objectName().isEmpty())
            widget = widget->nextInFocusChain();
        chain.push_back(widget->objectName().toStdString());
    }
    return chain;
}

TEST_F(MainWindowTest, TabOrderOfBothPages)
{
    create();
    EXPECT_EQ(
        tabChain(find<QWidget>("BitBtn1"), 14),
        (Records{"BitBtn1", "CheckListBox1", "BitBtn2", "BitBtn3", "BitBtn4", "BitBtn5", "BitBtn6",
                 "BitBtn7", "BitBtn8", "BitBtn9", "Edit1", "BitBtn10", "BitBtn11", "BitBtn12"}));
    EXPECT_EQ(tabChain(find<QWidget>("BitBtn13"), 9),
              (Records{"BitBtn13", "BitBtn14", "BitBtn16", "BitBtn15", "BitBtn17", "BitBtn18",
                       "BitBtn19", "BitBtn20", "BitBtn21"}));
}

TEST_F(MainWindowTest, MenuTreeWithShortcuts)
{
    create();
    const struct {
        const char* item;
        const char* menu;
        QKeySequence shortcut;
    } items[] = {
        {"Savelisttofile1", "File1", Qt::Key_F7},
        {"Savechecked1", "File1", Qt::Key_F8},
        {"Exit1", "File1", Qt::Key_F12},
        {"CleanJava1", "Sweeptools1", Qt::Key_F1},
        {"RingFix1", "Sweeptools1", Qt::Key_F2},
        {"mma1", "Sweeptools1", Qt::Key_F3},
        {"c6501", "Mma2", {}},
        {"e3981", "Mma2", {}},
        {"Openlist1", "Listclean1", Qt::CTRL | Qt::Key_A},
        {"Viewlist1", "Listclean1", Qt::CTRL | Qt::Key_S},
        {"Clean1", "Listclean1", Qt::CTRL | Qt::Key_D},
        {"Russian1", "Options1", {}},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(item.item);
        auto* action = find<QAction>(item.item);
        EXPECT_TRUE(find<QMenu>(item.menu)->actions().contains(action));
        EXPECT_EQ(action->shortcut(), item.shortcut);
    }
    const QList<QAction*> bar = form->menuBar()->actions();
    ASSERT_EQ(bar.size(), 5);
    const char* barNames[] = {"File1", "Sweeptools1", "Backuptools1", "Options1", "Help1"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(bar[i]->objectName(), barNames[i]);
    EXPECT_EQ(bar[4]->menu(), nullptr) << "Help acts when clicked; it opens no submenu";
    EXPECT_TRUE(
        find<QMenu>("Sweeptools1")->actions().contains(find<QMenu>("Listclean1")->menuAction()));
}

TEST_F(MainWindowTest, PhoneLinkIsStartedOnceBeforeAnythingElse)
{
    create();
    EXPECT_EQ(phone.calls, Records{"P2K_Init"});
    form->Timer2Timer();
    click("BitBtn12");
    ASSERT_FALSE(phone.calls.empty());
    EXPECT_EQ(phone.calls.front(), "P2K_Init");
    EXPECT_EQ(std::count(phone.calls.begin(), phone.calls.end(), "P2K_Init"), 1);
}

// Language files ---------------------------------------------------------------------------

struct LanguageCase {
    const char* name;
    const char* file;                                          // rus.lng; nullptr: none
    std::vector<std::pair<const char*, const char*>> expected; // receiver, shown text
};

QString shownText(MainWindowTest& t, const std::string& receiver)
{
    if (receiver.starts_with("TabbedNotebook1."))
        return t.find<QTabWidget>("TabbedNotebook1")->tabText(receiver.back() - '0');
    if (auto* action = t.form->findChild<QAction*>(QString::fromStdString(receiver)))
        return action->text();
    if (auto* button = t.form->findChild<QAbstractButton*>(QString::fromStdString(receiver)))
        return button->text();
    if (auto* group = t.form->findChild<QGroupBox*>(QString::fromStdString(receiver)))
        return group->title();
    if (auto* label = t.form->findChild<QLabel*>(QString::fromStdString(receiver)))
        return label->text();
    ADD_FAILURE() << "no receiver " << receiver;
    return {};
}

class LanguageTest : public MainWindowTest, public testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageTest, TextsReachTheirReceivers)
{
    const LanguageCase& c = GetParam();
    if (c.file)
        programDir.write("rus.lng", c.file);
    create();
    for (const auto& [receiver, text] : c.expected)
        EXPECT_EQ(shownText(*this, receiver).toStdString(), text) << receiver;
}

const LanguageCase kLanguageCases[] = {
    {"NoFile",
     nullptr,
     {{"Options1", "Option"},
      {"Savechecked1", "Save Checket"},
      {"Mma2", "Original Mma"},
      {"mma1", "Russian Web Sessions"},
      {"BitBtn18", "Create backup"},
      {"GroupBox3", "List clean"},
      {"BitBtn19", "Open list"},
      {"BitBtn20", "View list"},
      {"BitBtn21", "Clean"},
      {"Listclean1", "List clean"},
      {"Openlist1", "Open list"},
      {"Viewlist1", "View list"},
      {"Clean1", "Clean"},
      {"Backuptools1", "Backup tools"},
      {"TabbedNotebook1.0", "Clean"},
      {"TabbedNotebook1.1", "Tools"},
      {"StatusBar1.0", "Status: Disconnected"},
      {"StatusBar1.1", "Free:"},
      {"BitBtn15", "C650"},
      {"c6501", "c650"},
      {"Russian1", "English"}}},
    {"EmptyValueGivesEmptyText",
     "[button]\r\n1=\r\n2=Zvuk\r\n",
     {{"BitBtn1", ""}, {"BitBtn2", "Zvuk"}}},
    {"KeyInTheWrongSectionIsNotFound", "[Memu]\r\n1=Wrong\r\n", {{"BitBtn1", "Clean"}}},
    {"UpperCaseSectionNames",
     "[BUTTON]\r\n11=Read\r\n[TN]\r\n22=Instr\r\n[MESSAGE]\r\n73=Off\r\n74=Space:\r\n",
     {{"BitBtn11", "Read"},
      {"TabbedNotebook1.1", "Instr"},
      {"StatusBar1.0", "Off"},
      {"StatusBar1.1", "Space:"}}},
    {"Key15HasNoEffect", "[button]\r\n15=X\r\n", {{"BitBtn15", "C650"}, {"BitBtn17", "E398"}}},
    {"CopiedCaptions",
     "[GroupBox]\r\n33=Spisok\r\n[button]\r\n18=Otkr\r\n19=Smotr\r\n20=Chist\r\n",
     {{"GroupBox3", "Spisok"},
      {"Listclean1", "Spisok"},
      {"BitBtn19", "Otkr"},
      {"Openlist1", "Otkr"},
      {"BitBtn20", "Smotr"},
      {"Viewlist1", "Smotr"},
      {"BitBtn21", "Chist"},
      {"Clean1", "Chist"}}},
    {"CodePageTexts",
     "[Memu]\r\n41=\xD4\xE0\xE9\xEB\r\n",
     {{"File1", "\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB"}}},
};

INSTANTIATE_TEST_SUITE_P(Files, LanguageTest, testing::ValuesIn(kLanguageCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, MessagesComeFromTheLanguageFile)
{
    programDir.write("rus.lng", "[message]\r\n73=Net svyazi\r\n76=Pusto\r\n");
    create();
    EXPECT_EQ(form->messageTexts().get(MessageText::Disconnected), "Net svyazi");
    EXPECT_EQ(form->panelText(0), "Net svyazi");
    click("BitBtn1"); // the SweepList is empty
    EXPECT_EQ(prompts.take(), Records{"warning: Pusto"});
}

// Settings file ----------------------------------------------------------------------------

struct SettingsCase {
    const char* name;
    const char* ini; // nullptr: no file
    bool checkedAtStart;
    int toggles;
    const char* written; // the whole file after exit
};

class SettingsTest : public MainWindowTest, public testing::WithParamInterface<SettingsCase> {};

TEST_P(SettingsTest, LanguageGoesFromFileToMenuAndBack)
{
    const SettingsCase& c = GetParam();
    if (c.ini)
        programDir.write("Zandrel.ini", c.ini);
    // Each language file names its own tab, so the test sees which one was applied.
    programDir.write("eng.lng", "[TN]\r\n21=English file\r\n");
    programDir.write("rus.lng", "[TN]\r\n21=Russian file\r\n");
    create();
    auto* item = find<QAction>("Russian1");
    EXPECT_EQ(item->isChecked(), c.checkedAtStart);
    EXPECT_EQ(find<QTabWidget>("TabbedNotebook1")->tabText(0),
              c.checkedAtStart ? "English file" : "Russian file");
    bool checked = c.checkedAtStart;
    for (int i = 0; i < c.toggles; ++i) {
        trigger("Russian1");
        checked = !checked;
        EXPECT_EQ(item->isChecked(), checked) << "after click " << i + 1;
    }
    EXPECT_EQ(item->text(), "English") << "the item is never translated";
    destroy();
    EXPECT_EQ(programDir.read("Zandrel.ini"), c.written);
}

#define INI(value) "[Language]\r\nLanguage=" value "\r\n"
const SettingsCase kSettingsCases[] = {
    {"FirstRun", nullptr, false, 0, INI("Russian")},
    {"English", INI("English"), true, 0, INI("English")},
    {"LowerCaseEnglishCountsAsRussian", INI("english"), false, 0, INI("Russian")},
    {"UpperCaseNamesAreFound", "[LANGUAGE]\r\nLANGUAGE=English\r\n", true, 0,
     "[LANGUAGE]\r\nLANGUAGE=English\r\n"},
    {"OneClickFromRussian", INI("Russian"), false, 1, INI("English")},
    {"OneClickFromEnglish", INI("English"), true, 1, INI("Russian")},
    {"TwoClicksKeepEnglish", INI("English"), true, 2, INI("English")},
    {"ThreeClicks", INI("Russian"), false, 3, INI("English")},
    {"OtherEntriesSurvive", "[Window]\r\nLeft=5\r\n", false, 0,
     "[Window]\r\nLeft=5\r\n[Language]\r\nLanguage=Russian\r\n"},
};
#undef INI

INSTANTIATE_TEST_SUITE_P(Files, SettingsTest, testing::ValuesIn(kSettingsCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, TogglingTheLanguageChangesNoCaption)
{
    create();
    const QString before = find<QAction>("Options1")->text();
    trigger("Russian1");
    EXPECT_EQ(find<QAction>("Options1")->text(), before);
    EXPECT_EQ(find<QPushButton>("BitBtn1")->text(), "Clean");
}

TEST_F(MainWindowTest, UnwritableSettingsFileIsReportedAtExit)
{
    // A folder where the file should be: the write fails even for root.
    std::filesystem::create_directory(programDir.file("Zandrel.ini"));
    create();
    destroy();
    EXPECT_EQ(prompts.take(),
              Records{"error: Unable to write to " + programDir.path() + "/Zandrel.ini"});
}

TEST_F(MainWindowTest, ExitAndTheCloseBoxEndTheProgramAlike)
{
    create();
    int closedSignals = 0;
    QObject::connect(form.get(), &TForm1::closed, [&] { ++closedSignals; });
    trigger("Exit1");
    EXPECT_EQ(closedSignals, 1);
    EXPECT_FALSE(form->isVisible());
    form->show();
    form->close();
    EXPECT_EQ(closedSignals, 2);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, SecondaryWindowsShownTwiceOpenOnce)
{
    create();
    const auto topLevelCount = [] { return QApplication::topLevelWidgets().size(); };
    const auto before = topLevelCount();
    click("BitBtn20");
    click("BitBtn20");
    trigger("Viewlist1");
    trigger("Help1");
    trigger("Help1");
    EXPECT_TRUE(Form2->isVisible());
    EXPECT_TRUE(Form3->isVisible());
    EXPECT_TRUE(form->isVisible()) << "the main window stays open beside them";
    EXPECT_EQ(topLevelCount(), before);
    EXPECT_FALSE(Form2->isModal());
    EXPECT_FALSE(Form3->isModal());
}
} // namespace
