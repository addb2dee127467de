// What each button and menu item does: one operation, run as a handler.
#include "base/ErrorText.h"
#include "sweep/CleanListFile.h"
#include "sweep/Cleaning.h"
#include "sweep/ReadFromPhone.h"
#include "sweep/TickRules.h"
#include "tools/RingFix.h"
#include "tools/UploadFile.h"
#include "ui/phonework/BusyIndicator.h"
#include "ui/mainwindow/SweepListModel.h"
#include "ui/text/TextCodec.h"
#include "ui/mainwindow/Unit1.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <utility>

using namespace zandrel;

namespace {
// Ends the handler's busy state however the operation ends. The menus' items are disabled
// meanwhile (unseen while the menus are closed, and they cannot open): a shortcut or an
// accessibility tool then starts nothing inside the handler.
class HandlerScope {
public:
    HandlerScope(BusyIndicator& busy, QMenuBar* menus) : busy_(busy)
    {
        busy_.begin();
        for (QMenu* menu : menus->findChildren<QMenu*>())
            for (QAction* action : menu->actions())
                if (action->isEnabled() && !action->isSeparator()) {
                    action->setEnabled(false);
                    held_.push_back(action);
                }
    }
    ~HandlerScope()
    {
        for (const QPointer<QAction>& action : held_)
            if (action)
                action->setEnabled(true);
        busy_.end();
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    BusyIndicator& busy_;
    std::vector<QPointer<QAction>> held_;
};
} // namespace

void TForm1::runHandler(const std::function<void()>& operation, bool scrollToSelection)
{
    if (busy_->working() || closing_)
        return;
    gate_->handlerStarts();
    {
        HandlerScope scope(*busy_, menuBar());
        // Whatever went wrong, the program goes on with the next event; the list view follows
        // the list also when the operation stopped halfway.
        try {
            operation();
        } catch (const PhoneLinkClosed&) {
            // The window closed while the handler waited for the phone: nothing more to say.
        } catch (const std::exception& e) {
            prompts_.error(exceptionText(e));
        }
        try {
            syncListView(scrollToSelection);
        } catch (const std::exception& e) {
            prompts_.error(exceptionText(e));
        }
    }
    // The monitor catches up: an answer that came meanwhile, then the tick that fell inside.
    showTick();
    if (std::exchange(tickOwed_, false))
        Timer2Timer();
    if (std::optional<std::string> list = std::exchange(listOwed_, std::nullopt))
        openListFile(*list);
}

void TForm1::syncListView(bool scrollToSelection)
{
    model_->sync();
    const std::optional<std::size_t> selected = session_.sweep.selected();
    if (!selected || *selected >= static_cast<std::size_t>(model_->rowCount())) {
        CheckListBox1->clearSelection();
        return;
    }
    const QModelIndex index = model_->index(static_cast<int>(*selected));
    CheckListBox1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    if (scrollToSelection)
        CheckListBox1->scrollTo(index);
}

void TForm1::tellStopped(WorkText text, std::initializer_list<std::string> args)
{
    if (!stop_.closing)
        prompts_.information(MessageTexts::format(workTexts_.get(text), args));
}

void TForm1::upload(UploadOutcome (*tool)(PhoneLink&, Prompts&, const MessageTexts&,
                                          DeletionKeeper*),
                    const char* phonePath)
{
    if (tool(phone_, prompts_, texts_, session_.keeper) == UploadOutcome::Stopped)
        tellStopped(WorkText::UploadStopped, {phonePath});
}

void TForm1::openCleanList()
{
    if (!OpenCleanList(session_))
        return;
    // Filling the viewer's text costs seconds for a long list, so a hidden viewer gets the new
    // list only when it is next shown; until then its old text and edits count for nothing.
    if (Form2 && Form2->isVisible())
        Form2->setLines(session_.clean, texts_);
    else
        viewerBehind_ = true;
}

void TForm1::openListFile(const std::string& path)
{
    if (busy_->working()) {
        listOwed_ = path;
        return;
    }
    runHandler([this, path] {
        if (!OpenCleanListFile(session_, path))
            return;
        // Opened from a file manager, the list is what the user wants to see.
        viewerBehind_ = true;
        showListViewer();
    });
}

void TForm1::cleanByList()
{
    // What the user typed into the viewer is part of the list.
    if (Form2 && !viewerBehind_)
        Form2->takeEdits(session_.clean);
    CleanByList(session_);
}

void TForm1::showListViewer()
{
    // Built when first needed: a program that never shows it never pays for it.
    if (!Form2) {
        Form2 = new TForm2;
        viewerBehind_ = !session_.clean.empty();
    }
    if (viewerBehind_) {
        Form2->setLines(session_.clean, texts_);
        viewerBehind_ = false;
    }
    Form2->showWindow(this);
}

void TForm1::BitBtn1Click()
{
    runHandler([this] { CleanTicked(session_); });
}
void TForm1::BitBtn11Click()
{
    runHandler([this] {
        if (ReadFromPhone(session_) == ReadOutcome::Stopped)
            tellStopped(WorkText::ReadStopped);
    });
}
void TForm1::BitBtn12Click()
{
    runHandler([this] { phone_.restart(); });
}

void TForm1::BitBtn2Click()
{
    runHandler([this] { TickByRule(session_.sweep, TickRule::Audio); });
}
void TForm1::BitBtn9Click()
{
    runHandler([this] { TickByRule(session_.sweep, TickRule::Pictures); });
}
void TForm1::BitBtn3Click()
{
    runHandler([this] { TickByRule(session_.sweep, TickRule::NotUsed); });
}
void TForm1::BitBtn4Click()
{
    runHandler([this] { TickByRule(session_.sweep, TickRule::PicturesFromRoot); });
}
void TForm1::BitBtn5Click()
{
    runHandler([this] { TickByRule(session_.sweep, TickRule::Mms); });
}
void TForm1::BitBtn6Click()
{
    runHandler([this] { TickByRule(session_.sweep, TickRule::CameraSound); });
}
void TForm1::BitBtn7Click()
{
    runHandler([this] { TickByRule(session_.sweep, TickRule::Theme); });
}
void TForm1::BitBtn8Click()
{
    runHandler([this] { TickByRule(session_.sweep, TickRule::Video); });
}

void TForm1::BitBtn10Click()
{
    runHandler([this] { SearchBySuffix(session_.sweep, toLocal8(Edit1->text())); }, true);
}

void TForm1::BitBtn16Click()
{
    runHandler([this] { upload(UploadWebSession, "/a/WebSession"); });
}
// mma1 is the menu twin of BitBtn16: both upload the web-session file.
void TForm1::mma1Click() { BitBtn16Click(); }

void TForm1::BitBtn13Click()
{
    runHandler([this] { CleanJava(session_); });
}
void TForm1::CleanJava1Click() { BitBtn13Click(); }

void TForm1::BitBtn14Click()
{
    runHandler([this] {
        RingFixSteps steps;
        if (!RingFix(phone_, prompts_, texts_, &steps) && steps.stopped)
            tellStopped(WorkText::RingFixStopped, {std::to_string(steps.databasesDeleted),
                                                   std::to_string(RingFixSteps::kToneDatabases)});
    });
}
void TForm1::RingFix1Click() { BitBtn14Click(); }

void TForm1::BitBtn15Click()
{
    runHandler([this] { upload(UploadMmaC650, "/a/mobile/system/mma_ucp"); });
}
void TForm1::c6501Click() { BitBtn15Click(); }

void TForm1::BitBtn17Click()
{
    runHandler([this] { upload(UploadMmaE398, "/a/mobile/system/mma_ucp"); });
}
void TForm1::e3981Click() { BitBtn17Click(); }

void TForm1::BitBtn19Click()
{
    runHandler([this] { openCleanList(); });
}
void TForm1::Openlist1Click() { BitBtn19Click(); }

void TForm1::BitBtn20Click()
{
    // Filling the viewer with a long list takes a while and may run out of memory.
    runHandler([this] { showListViewer(); });
}
void TForm1::Viewlist1Click() { BitBtn20Click(); }

void TForm1::BitBtn21Click()
{
    runHandler([this] { cleanByList(); });
}
void TForm1::Clean1Click() { BitBtn21Click(); }

void TForm1::Savelisttofile1Click()
{
    runHandler([this] { SaveList(session_); });
}
void TForm1::Savechecked1Click()
{
    runHandler([this] { SaveChecked(session_); });
}

void TForm1::Help1Click()
{
    // Not inside a handler, whichever way it was asked for.
    if (busy_->working())
        return;
    // The About window and its logo are built when first asked for.
    if (!Form3)
        Form3 = new TForm3;
    Form3->showWindow(this);
}
