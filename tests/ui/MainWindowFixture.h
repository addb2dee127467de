#pragma once
#include "FakePhoneLink.h"
#include "FakePrompts.h"
#include "TempDir.h"
#include "TestLists.h"
#include "ui/mainwindow/SweepListModel.h"
#include "ui/mainwindow/Unit1.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using Records = std::vector<std::string>;

// What uploading a file of `size` bytes to `phonePath` asks of the phone, from the status check
// to the close.
inline Records uploadCalls(const std::string& phonePath, std::size_t size)
{
    const std::string n = std::to_string(size);
    return {"P2K_GetStatus", "File_Delete " + phonePath, "File_Create " + phonePath + " 4",
            "File_Write " + n + " " + std::to_string(size - 1), "File_Close"};
}

// The main window over the recording fakes, with a temporary folder as its program directory
// and the list viewer and About window beside it. Timer2 is stopped once the window exists so
// that no tick lands in the middle of a test; tests tick by calling Timer2Timer().
class MainWindowTest : public testing::Test {
public: // the data-driven rows reach in from outside the fixture
    TempDir programDir;
    zandrel::FakePhoneLink phone;
    zandrel::FakePrompts prompts;
    std::unique_ptr<TForm1> form;
    bool timerStartedWithWindow = false;
    int closedCount = 0;
    int endedWithCallStuck = 0;

    ~MainWindowTest() override { destroy(); }

    // Builds the window (FormCreate runs) and makes it the active window, so shortcut keys
    // reach it; or only waits until it shows, where nothing makes windows active (an X server
    // without a window manager).
    void create(zandrel::PhoneLink* otherPhone = nullptr, bool ownPrompts = false,
                bool activate = true)
    {
        form = std::make_unique<TForm1>(otherPhone ? *otherPhone : phone, programDir.path() + "/",
                                        ownPrompts ? nullptr : &prompts);
        Form1 = form.get();
        Form2 = new TForm2;
        Form3 = new TForm3;
        Form3->openLink = [](const QUrl&) {};
        timerStartedWithWindow = form->Timer2->isActive();
        form->Timer2->stop();
        form->show();
        if (!activate) {
            ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
            return;
        }
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // Ends the window as the program does: FormDestroy writes the settings file.
    void destroy()
    {
        Form1 = nullptr;
        form.reset();
        delete Form2;
        Form2 = nullptr;
        delete Form3;
        Form3 = nullptr;
    }

    template <typename T> T* find(const char* name)
    {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            ADD_FAILURE() << "no control named " << name;
        return found;
    }

    void click(const char* buttonName)
    {
        auto* button = find<QAbstractButton>(buttonName);
        if (!button)
            return;
        if (!button->isEnabled()) {
            ADD_FAILURE() << buttonName << " is disabled";
            return;
        }
        if (!button->isVisible())
            showPageOf(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void trigger(const char* actionName)
    {
        auto* action = find<QAction>(actionName);
        if (!action)
            return;
        if (!action->isEnabled()) {
            ADD_FAILURE() << actionName << " is disabled";
            return;
        }
        action->trigger();
    }

    void press(QKeyCombination key, QWidget* target = nullptr)
    {
        QTest::keyClick(target ? target : form.get(), key.key(), key.keyboardModifiers());
    }

    void showPage(int index)
    {
        auto* notebook = find<QTabWidget>("TabbedNotebook1");
        notebook->setCurrentIndex(index);
    }

    // The phone calls made since the window was built (P2K_Init left out).
    std::vector<std::string> callsAfterInit() const
    {
        std::vector<std::string> calls = phone.calls;
        if (!calls.empty() && calls.front() == "P2K_Init")
            calls.erase(calls.begin());
        return calls;
    }

    void fillSweep(const std::vector<std::string>& paths,
                   const std::vector<std::size_t>& ticked = {})
    {
        zandrel::fillSweep(form->session().sweep, paths, ticked);
    }

    // Runs `poll` on the window's thread every `ms` milliseconds, also while a handler waits for
    // the phone, until the timer goes.
    static std::unique_ptr<QTimer> every(int ms, std::function<void()> poll)
    {
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(ms);
        QObject::connect(timer.get(), &QTimer::timeout, std::move(poll));
        timer->start();
        return timer;
    }

    // A slow phone: every call whose line starts with `prefix` takes `ms` milliseconds.
    void slowDown(const std::string& prefix, int ms)
    {
        phone.onCall = [prefix, ms](const std::string& call) {
            if (call.starts_with(prefix))
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        };
    }

    // Blocks the phone's thread for good: a call that never returns. The thread stays inside the
    // fake, so a test keeps such a call for its last rows.
    static void hangForever()
    {
        static auto* const never = new std::promise<void>; // never set
        static const std::shared_future<void> released = never->get_future().share();
        released.wait();
    }

    // Counts, from now on, the window's closes and its ends with a call still under way.
    void countEnds()
    {
        closedCount = endedWithCallStuck = 0;
        QObject::connect(form.get(), &TForm1::closed, [this] { ++closedCount; });
        form->endWithCallStuck = [this] { ++endedWithCallStuck; };
    }

    // The settings file the window wrote as it ended, removed so that the next row writes anew.
    std::string takeSettings()
    {
        std::ifstream file(programDir.file("Zandrel.ini"));
        std::stringstream text;
        text << file.rdbuf();
        std::filesystem::remove(programDir.file("Zandrel.ini"));
        return text.str();
    }

    QAbstractItemModel* listModel() { return find<QListView>("CheckListBox1")->model(); }

    std::vector<std::string> shownRows()
    {
        std::vector<std::string> rows;
        QAbstractItemModel* model = listModel();
        for (int i = 0; i < model->rowCount(); ++i)
            rows.push_back(model->index(i, 0).data().toString().toStdString());
        return rows;
    }

private:
    void showPageOf(QWidget* widget)
    {
        auto* notebook = find<QTabWidget>("TabbedNotebook1");
        for (int i = 0; i < notebook->count(); ++i)
            if (notebook->widget(i)->isAncestorOf(widget))
                notebook->setCurrentIndex(i);
    }
};
