// The language files the build writes beside the program: complete, encoded as the program reads
// them, and short enough for every control they caption.
#include "app/StartTexts.h"
#include "backup/BackupTexts.h"
#include "ui/phonework/WorkTexts.h"
#include "base/LanguageTable.h"
#include "base/MessageTexts.h"

#include "FakePhoneLink.h"
#include "FakePrompts.h"
#include "TempDir.h"
#include "ui/text/QtTexts.h"
#include "ui/text/TextCodec.h"
#include "ui/mainwindow/Unit1.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace zandrel;

namespace {
const std::string kBuiltDir = ZANDREL_LANGUAGE_DIR;
constexpr char kMarker = '\x01';

std::string builtFile(const std::string& name)
{
    std::ifstream in(kBuiltDir + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name << " was not built into " << kBuiltDir;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The file with a marker before every value: a text read back without it was not in the file.
std::string markValues(const std::string& bytes)
{
    std::string marked;
    std::istringstream lines(bytes);
    for (std::string line; std::getline(lines, line);) {
        const auto first = line.find_first_not_of(" \t");
        const bool key = first != std::string::npos && line[first] != '[' && line[first] != ';' &&
                         line.find('=') != std::string::npos;
        if (key)
            line.insert(line.find('=') + 1, 1, kMarker);
        marked += line + "\n";
    }
    return marked;
}

struct Language {
    const char* file;
    bool english;
};

void PrintTo(const Language& language, std::ostream* out) { *out << language.file; }

std::string languageName(const testing::TestParamInfo<Language>& info)
{
    return info.param.english ? "English" : "Russian";
}

class LanguageFile : public testing::TestWithParam<Language> {};

TEST_P(LanguageFile, GivesEveryCaptionAndMessage)
{
    TempDir dir;
    dir.write("marked.lng", markValues(builtFile(GetParam().file)));
    MessageTexts messages;
    const std::vector<LanguageText> texts = readLanguageFile(dir.file("marked.lng"), messages);
    ASSERT_FALSE(texts.empty());
    for (const LanguageText& text : texts)
        EXPECT_EQ(text.text.substr(0, 1), std::string(1, kMarker))
            << "caption " << int(text.receiver) << " keeps its built-in text \"" << text.text << "\"";
    for (int key = MessageTexts::kFirstKey; key <= MessageTexts::kLastKey; ++key)
        EXPECT_EQ(messages.get(MessageText(key)).substr(0, 1), std::string(1, kMarker))
            << "message " << key << " keeps its built-in text";
    const BackupTexts backup = BackupTexts::load(dir.file("marked.lng"));
    for (int i = 0; i < static_cast<int>(BackupText::Count); ++i)
        EXPECT_EQ(backup.get(BackupText(i)).substr(0, 1), std::string(1, kMarker))
            << "backup text " << BackupTexts::kFirstKey + i << " keeps its built-in text";
    const StartTexts start = StartTexts::load(dir.file("marked.lng"));
    for (const std::string* text : {&start.runsWithEmulator, &start.runsWithPhone})
        EXPECT_EQ(text->substr(0, 1), std::string(1, kMarker))
            << "start text keeps its built-in text \"" << *text << "\"";
    const WorkTexts work = WorkTexts::load(dir.file("marked.lng"));
    for (int i = 0; i < static_cast<int>(WorkText::Count); ++i)
        EXPECT_EQ(work.get(WorkText(i)).substr(0, 1), std::string(1, kMarker))
            << "work text " << WorkTexts::kFirstKey + i << " keeps its built-in text";
}

// CR LF after every line, and every byte past ASCII a Windows-1251 letter: a file that reached
// the build in UTF-8 (whose bytes after the first are 0x80..0xBF) fails here.
TEST_P(LanguageFile, IsWindows1251WithCrLf)
{
    const std::string bytes = builtFile(GetParam().file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_TRUE(bytes.ends_with("\r\n"));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\n') {
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        }
        if (byte == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at byte " << i;
        }
        const bool cyrillicLetter = byte >= 0xC0 || byte == 0xA8 || byte == 0xB8;
        if (byte >= 0x80) {
            EXPECT_TRUE(cyrillicLetter) << "byte 0x" << std::hex << int(byte) << " at " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, LanguageFile,
                         testing::Values(Language{"eng.lng", true}, Language{"rus.lng", false}),
                         languageName);

TEST(EnglishLanguageFile, RepeatsTheBuiltInTextsExactly)
{
    TempDir dir;
    dir.write("eng.lng", builtFile("eng.lng"));
    MessageTexts fromFile;
    MessageTexts builtIn;
    const auto texts = readLanguageFile(dir.file("eng.lng"), fromFile);
    const auto defaults = readLanguageFile(dir.file("missing.lng"), builtIn);
    ASSERT_EQ(texts.size(), defaults.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].receiver, defaults[i].receiver);
        EXPECT_EQ(texts[i].text, defaults[i].text) << "caption " << i;
    }
    const BackupTexts english = BackupTexts::load(dir.file("eng.lng"));
    for (int i = 0; i < static_cast<int>(BackupText::Count); ++i)
        EXPECT_EQ(english.get(BackupText(i)), BackupTexts::builtIn(BackupText(i))) << i;
    const WorkTexts work = WorkTexts::load(dir.file("eng.lng"));
    for (int i = 0; i < static_cast<int>(WorkText::Count); ++i)
        EXPECT_EQ(work.get(WorkText(i)), WorkTexts::builtIn(WorkText(i))) << i;
    for (int key = MessageTexts::kFirstKey; key <= MessageTexts::kLastKey; ++key)
        EXPECT_EQ(fromFile.get(MessageText(key)), builtIn.get(MessageText(key))) << "message " << key;
}

// Every count takes the form its number asks for, through the files as the build writes them.
TEST(LanguageFilePlurals, EachCountTakesItsForm)
{
    TempDir dir;
    dir.write("eng.lng", builtFile("eng.lng"));
    dir.write("rus.lng", builtFile("rus.lng"));
    // The English file repeats the built-in texts (tested above); these are read through it too.
    MessageTexts russian;
    readLanguageFile(dir.file("rus.lng"), russian);
    const BackupTexts englishBackup = BackupTexts::load(dir.file("eng.lng"));
    const BackupTexts russianBackup = BackupTexts::load(dir.file("rus.lng"));
    const struct {
        const char* count;
        const char* englishRestored;
        const char* russianRestored;
        const char* russianLines;
        const char* russianTicked;
    } rows[] = {
        {"0", "0 files put back", "возвращено 0 файлов", "0 строк", "0 файлов"},
        {"1", "1 file put back", "возвращён 1 файл", "1 строка", "1 файл"},
        {"2", "2 files put back", "возвращено 2 файла", "2 строки", "2 файла"},
        {"5", "5 files put back", "возвращено 5 файлов", "5 строк", "5 файлов"},
        {"11", "11 files put back", "возвращено 11 файлов", "11 строк", "11 файлов"},
        {"21", "21 files put back", "возвращён 21 файл", "21 строка", "21 файл"},
        {"22", "22 files put back", "возвращено 22 файла", "22 строки", "22 файла"},
        {"100001", "100001 files put back", "возвращён 100001 файл", "100001 строка",
         "100001 файл"},
    };
    const auto shown = [](const std::string& text) { return fromLocal8(text).toStdString(); };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.count);
        const std::string count = row.count;
        EXPECT_EQ(MessageTexts::format(englishBackup.get(BackupText::Restored), {count}),
                  std::string(row.englishRestored) + " on the phone.");
        EXPECT_EQ(shown(MessageTexts::format(russianBackup.get(BackupText::Restored), {count})),
                  std::string("На телефон ") + row.russianRestored + ".");
        EXPECT_EQ(
            shown(MessageTexts::format(russian.get(MessageText::ViewerLines), {count, "100000"})),
            std::string("В списке ") + row.russianLines +
                ", больше, чем 100000, которые показывает это окно.");
        EXPECT_EQ(shown(MessageTexts::format(russian.get(MessageText::TickedSize), {count, "7"})),
                  std::string("Отмечено: ") + row.russianTicked + ", 7 kb");
    }
}

// English groups have two forms and Russian ones three, so no count falls back to a wrong one.
TEST_P(LanguageFile, PluralGroupsHaveTheLanguagesNumberOfForms)
{
    const std::size_t forms = GetParam().english ? 2 : 3;
    std::istringstream lines(builtFile(GetParam().file));
    int groups = 0;
    for (std::string line; std::getline(lines, line);) {
        for (std::size_t open = line.find('{'); open != std::string::npos;
             open = line.find('{', open + 1)) {
            const std::size_t close = line.find('}', open);
            ASSERT_NE(close, std::string::npos) << line;
            const std::string group = line.substr(open, close - open);
            EXPECT_EQ(std::count(group.begin(), group.end(), '|') + 1u, forms) << line;
            ++groups;
        }
    }
    EXPECT_GE(groups, 19) << "the counts of the texts have lost their plural groups";
}

// The main window started with each language file, as the program starts it.
class LanguageFileOnScreen : public testing::TestWithParam<Language> {
protected:
    TempDir programDir;
    FakePhoneLink phone;
    FakePrompts prompts;
    std::unique_ptr<TForm1> form;

    void SetUp() override
    {
        programDir.write(GetParam().file, builtFile(GetParam().file));
        programDir.write("Zandrel.ini", std::string("[Language]\r\nLanguage=") +
                                            (GetParam().english ? "English" : "Russian") + "\r\n");
        form = std::make_unique<TForm1>(phone, programDir.path() + "/", &prompts);
        form->Timer2->stop();
        form->show();
    }
};

int textWidth(const QWidget* widget, const QString& text)
{
    return widget->fontMetrics().horizontalAdvance(text);
}

TEST_P(LanguageFileOnScreen, ButtonCaptionsFit)
{
    const auto buttons = form->findChildren<QPushButton*>();
    ASSERT_FALSE(buttons.isEmpty());
    for (const QPushButton* button : buttons) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        const QRect contents =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        // The label draws the picture, then a gap of 4 pixels, then the text.
        const int picture = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        EXPECT_LE(picture + textWidth(button, button->text()), contents.width())
            << button->objectName().toStdString() << " \"" << button->text().toStdString() << "\"";
    }
}

TEST_P(LanguageFileOnScreen, FrameTitlesFit)
{
    for (const QGroupBox* group : form->findChildren<QGroupBox*>()) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label = group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                           QStyle::SC_GroupBoxLabel, group);
        EXPECT_LE(label.right(), group->width() - 1) << group->objectName().toStdString();
        EXPECT_GE(label.width(), textWidth(group, group->title()))
            << group->objectName().toStdString();
    }
}

TEST_P(LanguageFileOnScreen, TabsAndMenuBarFit)
{
    const auto* notebook = form->findChild<QTabWidget*>(QStringLiteral("TabbedNotebook1"));
    ASSERT_NE(notebook, nullptr);
    const QTabBar* tabs = notebook->tabBar();
    for (int i = 0; i < tabs->count(); ++i) {
        EXPECT_GE(tabs->tabRect(i).width(), textWidth(tabs, tabs->tabText(i)));
        EXPECT_LE(tabs->tabRect(i).right(), notebook->width() - 1);
    }
    // Items that do not fit the menu bar go behind its extension button.
    const auto* extension = form->menuBar()->findChild<QToolButton*>();
    EXPECT_TRUE(extension == nullptr || !extension->isVisible())
        << "the menu bar's items do not fit the window";
}

// The first panel shows both connection texts in turn; the second the free space.
TEST_P(LanguageFileOnScreen, StatusTextsFit)
{
    auto fits = [&](const char* panelName) {
        const auto* panel = form->findChild<QLabel*>(QString::fromLatin1(panelName));
        EXPECT_NE(panel, nullptr) << panelName;
        if (panel) {
            EXPECT_LE(textWidth(panel, panel->text()),
                      panel->contentsRect().width() - panel->indent())
                << panelName << " \"" << panel->text().toStdString() << "\"";
        }
    };
    phone.status = 0;
    form->Timer2Timer();
    fits("StatusBar1.0");
    phone.status = 1;
    phone.freeBytes = 2'000'000'000;
    form->Timer2Timer();
    fits("StatusBar1.0");
    fits("StatusBar1.1");
    // What a hundred thousand ticked files of some 4 GB come to.
    SweepList& sweep = form->session().sweep;
    sweep.setSizesKnown(true);
    for (int i = 0; i < 100'000; ++i)
        sweep.append("/a/mobile/audio/" + std::to_string(i), 41'943);
    form->BitBtn2Click();
    fits("StatusBar1.2");
    EXPECT_NE(form->panelText(2).toStdString().find("100000"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Files, LanguageFileOnScreen,
                         testing::Values(Language{"eng.lng", true}, Language{"rus.lng", false}),
                         languageName);
// Qt's own buttons and dialogs speak the chosen language, Russian from Qt's translations.
TEST(QtTexts, FollowTheChosenLanguage)
{
    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    ASSERT_TRUE(followLanguageInQtTexts(false))
        << "Qt's Russian texts are missing: Debian's qt6-translations-l10n";
    EXPECT_TRUE(cancel().contains(QChar(0x041E))) << cancel().toStdString(); // a Cyrillic O
    ASSERT_TRUE(followLanguageInQtTexts(true));
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
