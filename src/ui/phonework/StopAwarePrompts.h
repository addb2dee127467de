#pragma once
#include "base/Prompts.h"
#include "ui/phonework/WorkGate.h"

#include <cstdio>

// What a box would have said once the window has closed: there is no one to answer a box, and a
// logout must not wait for one, so it goes to the standard error stream.
inline void tellAfterClose(const std::string& text)
{
    std::fprintf(stderr, "zandrel: %s\n", text.c_str());
}

// Prompts given to the window from outside (a test's recorder): the window's Stop, Esc and close
// reach the work through them, and after the close no box is shown.
class StopAwarePrompts final : public zandrel::Prompts {
public:
    StopAwarePrompts(zandrel::Prompts& inner, const WorkStop& stop) : inner_(inner), stop_(stop) {}

    void warning(const std::string& text) override
    {
        stop_.closing ? tellAfterClose(text) : inner_.warning(text);
    }
    void information(const std::string& text) override
    {
        stop_.closing ? tellAfterClose(text) : inner_.information(text);
    }
    void error(const std::string& text) override
    {
        stop_.closing ? tellAfterClose(text) : inner_.error(text);
    }
    void localFileError(const std::string& text, const std::string& localPath) override
    {
        stop_.closing ? tellAfterClose(text + localPath) : inner_.localFileError(text, localPath);
    }
    std::optional<std::string> saveFileName() override
    {
        return stop_.closing ? std::nullopt : inner_.saveFileName();
    }
    std::optional<std::string> openFileName() override
    {
        return stop_.closing ? std::nullopt : inner_.openFileName();
    }
    // After a close nobody is there to answer: nothing is done that would need the answer.
    Answer yesNoCancel(const std::string& text) override
    {
        return stop_.closing ? Answer::Cancel : inner_.yesNoCancel(text);
    }
    void setCaption(const std::string& caption) override { inner_.setCaption(caption); }
    void progress(std::size_t done, std::size_t total) override { inner_.progress(done, total); }
    bool progressOrCancel(std::size_t done, std::size_t total) override
    {
        return inner_.progressOrCancel(done, total) && !stop_.requested;
    }
    bool stopRequested() override { return stop_.requested || inner_.stopRequested(); }

private:
    zandrel::Prompts& inner_;
    const WorkStop& stop_;
};
