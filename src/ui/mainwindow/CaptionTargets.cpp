#include "ui/mainwindow/CaptionTargets.h"

#include <algorithm>
#include <iterator>

using zandrel::Caption;

namespace {
struct Target {
    Caption caption;
    const char* objectName;
};

constexpr Target kTargets[] = {
    {Caption::CleanButton, "BitBtn1"},
    {Caption::AudioButton, "BitBtn2"},
    {Caption::NotUsedButton, "BitBtn3"},
    {Caption::PicturesFromAButton, "BitBtn4"},
    {Caption::MmsButton, "BitBtn5"},
    {Caption::CameraSoundButton, "BitBtn6"},
    {Caption::ThemeButton, "BitBtn7"},
    {Caption::VideoButton, "BitBtn8"},
    {Caption::PicturesButton, "BitBtn9"},
    {Caption::SearchButton, "BitBtn10"},
    {Caption::ReadButton, "BitBtn11"},
    {Caption::RestartButton, "BitBtn12"},
    {Caption::CleanJavaButton, "BitBtn13"},
    {Caption::RingFixButton, "BitBtn14"},
    {Caption::WebSessionButton, "BitBtn16"},
    {Caption::BackupButton, "BitBtn18"},
    {Caption::OpenListButton, "BitBtn19"},
    {Caption::ViewListButton, "BitBtn20"},
    {Caption::ListCleanButton, "BitBtn21"},
    {Caption::MmaFrame, "GroupBox1"},
    {Caption::BackupFrame, "GroupBox2"},
    {Caption::ListFrame, "GroupBox3"},
    {Caption::FileMenu, "File1"},
    {Caption::SweepToolsMenu, "Sweeptools1"},
    {Caption::BackupToolsMenu, "Backuptools1"},
    {Caption::OptionMenu, "Options1"},
    {Caption::HelpMenu, "Help1"},
    {Caption::CleanJavaItem, "CleanJava1"},
    {Caption::RingFixItem, "RingFix1"},
    {Caption::MmaMenu, "Mma2"},
    {Caption::WebSessionItem, "mma1"},
    {Caption::SaveListItem, "Savelisttofile1"},
    {Caption::SaveCheckedItem, "Savechecked1"},
    {Caption::ExitItem, "Exit1"},
    {Caption::StatusPanel, "StatusBar1.0"},
    {Caption::FreeSpacePanel, "StatusBar1.1"},
    {Caption::ListCleanMenu, "Listclean1"},
    {Caption::OpenListItem, "Openlist1"},
    {Caption::ViewListItem, "Viewlist1"},
    {Caption::ListCleanItem, "Clean1"},
};
} // namespace

const char* captionTarget(Caption caption)
{
    const auto it = std::find_if(std::begin(kTargets), std::end(kTargets),
                                 [&](const Target& t) { return t.caption == caption; });
    return it == std::end(kTargets) ? nullptr : it->objectName;
}

int captionPage(Caption caption) { return caption == Caption::ToolsPage ? 1 : 0; }
