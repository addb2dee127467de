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

#include <QLineEdit>
#include <QListView>

#include <utility>

using namespace zandrel;

namespace {
// Ends the handler's busy state however the operation ends.
class HandlerScope {
public:
    explicit HandlerScope(BusyIndicator& busy) : busy_(busy) { busy_.begin(); }
    ~HandlerScope() { busy_.end(); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    BusyIndicator& busy_;
};
} // namespace

void TForm1::runHandler(const std::function<void()>& operation, bool scrollToSelection)
{
    if (busy_->working() || closing_)
        return;
    {
        HandlerScope scope(*busy_);
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
    runHandler([this] { ReadFromPhone(session_); });
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
    runHandler([this] { UploadWebSession(phone_, prompts_, texts_, session_.keeper); });
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
    runHandler([this] { RingFix(phone_, prompts_, texts_); });
}
void TForm1::RingFix1Click() { BitBtn14Click(); }

void TForm1::BitBtn15Click()
{
    runHandler([this] { UploadMmaC650(phone_, prompts_, texts_, session_.keeper); });
}
void TForm1::c6501Click() { BitBtn15Click(); }

void TForm1::BitBtn17Click()
{
    runHandler([this] { UploadMmaE398(phone_, prompts_, texts_, session_.keeper); });
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
    // The About window and its logo are built when first asked for.
    if (!Form3)
        Form3 = new TForm3;
    Form3->showWindow(this);
}
