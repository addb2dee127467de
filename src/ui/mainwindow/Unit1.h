#pragma once
#include "base/LanguageTable.h"
#include "base/MessageTexts.h"
#include "base/Prompts.h"
#include "monitor/ConnectionMonitor.h"
#include "monitor/SerialPhoneLink.h"
#include "phonelink/PhoneLink.h"
#include "sweep/SweepSession.h"
#include "tools/UploadFile.h"
#include "ui/phonework/PhoneThread.h"
#include "ui/phonework/WaitingPhoneLink.h"
#include "ui/phonework/WorkGate.h"
#include "ui/phonework/WorkTexts.h"

#include <QHash>
#include <QMainWindow>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class BackupTools;
class BusyIndicator;
class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;
class SweepListModel;
class TabbedNotebook;

// The main window: the "Clean" and "Tools" pages, the menu bar, the status bar and the wiring of
// every button, menu item and shortcut key to its operation.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // prompts: the boxes and dialogs the operations use; nullptr gives the window its own Qt ones.
    TForm1(zandrel::PhoneLink& phone, std::string programDirectory,
           zandrel::Prompts* prompts = nullptr);
    ~TForm1() override;

    // The lists the operations work on, alive as long as the window.
    zandrel::SweepSession& session() { return session_; }
    const zandrel::MessageTexts& messageTexts() const { return texts_; }
    QString panelText(int panel) const;
    // A tick has asked the phone and its answer is not shown yet.
    bool tickPending() const { return tickAsked_ != nullptr; }
    // Opens a clean list named on the command line as "Open list" does, errors included, and
    // shows it; while a handler runs, once that has ended.
    void openListFile(const std::string& path);
    // What the window does when it closes while a library call never returns: once the setting
    // is written, the program ends at once. Tests put something harmless in its place.
    std::function<void()> endWithCallStuck;

    // Page "Clean".
    QPushButton* BitBtn1;
    QPushButton* BitBtn11;
    QPushButton* BitBtn12;
    QListView* CheckListBox1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn9;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;
    QPushButton* BitBtn5;
    QPushButton* BitBtn6;
    QPushButton* BitBtn7;
    QPushButton* BitBtn8;
    QLineEdit* Edit1;
    QPushButton* BitBtn10;
    QPlainTextEdit* Memo1; // never shown; the JavaList itself lives in the session

    // Page "Tools".
    QPushButton* BitBtn16;
    QPushButton* BitBtn13;
    QPushButton* BitBtn14;
    QGroupBox* GroupBox1;
    QPushButton* BitBtn15;
    QPushButton* BitBtn17;
    QGroupBox* GroupBox3;
    QPushButton* BitBtn19;
    QPushButton* BitBtn20;
    QPushButton* BitBtn21;
    QGroupBox* GroupBox2;
    QPushButton* BitBtn18;

    TabbedNotebook* TabbedNotebook1;
    QStatusBar* StatusBar1;
    QPushButton* StopButton; // beside the progress of phone work, shown with it
    QTimer* Timer2;

    // Menu bar.
    QMenu* File1;
    QAction* Savelisttofile1;
    QAction* Savechecked1;
    QAction* Exit1;
    QMenu* Sweeptools1;
    QAction* CleanJava1;
    QAction* RingFix1;
    QMenu* Mma2;
    QAction* c6501;
    QAction* e3981;
    QAction* mma1;
    QMenu* Listclean1;
    QAction* Openlist1;
    QAction* Viewlist1;
    QAction* Clean1;
    QMenu* Backuptools1;
    QMenu* Options1;
    QAction* Russian1;
    QAction* Help1;

    // Handlers; each starts one operation.
    void BitBtn1Click();
    void BitBtn11Click();
    void BitBtn12Click();
    void BitBtn2Click();
    void BitBtn9Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    void BitBtn7Click();
    void BitBtn8Click();
    void BitBtn10Click();
    void BitBtn16Click();
    void BitBtn13Click();
    void BitBtn14Click();
    void BitBtn15Click();
    void BitBtn17Click();
    void BitBtn19Click();
    void BitBtn20Click();
    void BitBtn21Click();
    void Savelisttofile1Click();
    void Savechecked1Click();
    void Exit1Click();
    void CleanJava1Click();
    void RingFix1Click();
    void c6501Click();
    void e3981Click();
    void mma1Click();
    void Openlist1Click();
    void Viewlist1Click();
    void Clean1Click();
    void Help1Click();
    void Timer2Timer();

signals:
    // The window was closed (Exit, the close box or the system); the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createClientArea();
    void createCleanPage(QWidget* page);
    void createToolsPage(QWidget* page);
    void createStatusBar(QWidget* parent);
    void createMenus();
    void connectHandlers();
    void FormCreate();
    void FormDestroy();
    void applyText(zandrel::Caption caption, const QString& text,
                   const QHash<QString, QObject*>& controlsByName);

    // Runs one operation as a handler: wait cursor, errors in the standard error box, and the
    // list view brought up to date afterwards.
    void runHandler(const std::function<void()>& operation, bool scrollToSelection = false);
    void syncListView(bool scrollToSelection);
    void takeSelectionFromView();
    void openCleanList();
    void cleanByList();
    void showListViewer();
    void showTick();
    void callStuckAtClose();
    // The box that says what stopped work left; none once the window has closed.
    void tellStopped(WorkText text, std::initializer_list<std::string> args = {});
    void upload(zandrel::UploadOutcome (*tool)(zandrel::PhoneLink&, zandrel::Prompts&,
                                               const zandrel::MessageTexts&,
                                               zandrel::DeletionKeeper*),
                const char* phonePath);

    // Every call into the phone goes through serialPhone_, made on phoneThread_: the handlers'
    // through waitingPhone_, the monitor's ticks directly.
    zandrel::SerialPhoneLink serialPhone_;
    PhoneThread phoneThread_;
    WaitingPhoneLink waitingPhone_;
    zandrel::PhoneLink& phone_;
    const std::string programDirectory_;
    WorkStop stop_;
    std::unique_ptr<BusyIndicator> busy_;
    std::unique_ptr<zandrel::Prompts> ownPrompts_;
    std::unique_ptr<zandrel::Prompts> givenPrompts_; // prompts given, hearing the window's Stop
    zandrel::Prompts& prompts_;
    std::unique_ptr<WorkGate> gate_;
    WorkTexts workTexts_;
    zandrel::MessageTexts texts_;
    zandrel::SweepSession session_;
    zandrel::ConnectionMonitor monitor_;
    SweepListModel* model_ = nullptr;
    QActionGroup* languageGroup_ = nullptr;
    QLabel* statusPanels_[3] = {nullptr, nullptr, nullptr};
    // The tick whose answer is not shown yet: its calls are still running, or it came while a
    // handler worked and waits for the handler's end.
    struct TickAnswer {
        Completion ended;
        zandrel::MonitorView view;
        std::exception_ptr thrown;
    };
    std::shared_ptr<TickAnswer> tickAsked_;
    bool tickOwed_ = false; // a tick fell inside a handler and runs when it ends
    bool closing_ = false;
    bool callStuck_ = false;    // the window closed while a handler's call never returned
    bool viewerBehind_ = false; // the CleanList changed since the viewer's text was set
    std::optional<std::string> listOwed_; // a list handed over while a handler ran
    // Last, so it goes first: it keeps deleted files for the session.
    std::unique_ptr<BackupTools> backupTools_;

public:
    BackupTools* backupTools() const { return backupTools_.get(); }
};

extern TForm1* Form1;
