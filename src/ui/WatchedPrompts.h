#pragma once
#include "app/Prompts.h"

// Passes every prompt on and counts what the window needs to know afterwards: whether an open
// dialog was answered and whether an error was shown, so that "Open list" refreshes the list
// viewer only when a file was read.
class WatchedPrompts final : public Prompts {
public:
    explicit WatchedPrompts(Prompts& inner) : inner_(inner) {}

    unsigned long errors() const { return errors_; }
    unsigned long filesOpened() const { return filesOpened_; }

    void warning(const std::string& text) override { inner_.warning(text); }
    void information(const std::string& text) override { inner_.information(text); }
    void error(const std::string& text) override
    {
        ++errors_;
        inner_.error(text);
    }
    std::optional<std::string> saveFileName() override { return inner_.saveFileName(); }
    std::optional<std::string> openFileName() override
    {
        auto name = inner_.openFileName();
        if (name)
            ++filesOpened_;
        return name;
    }
    void setCaption(const std::string& caption) override { inner_.setCaption(caption); }
    void progress(std::size_t done, std::size_t total) override { inner_.progress(done, total); }

private:
    Prompts& inner_;
    unsigned long errors_ = 0;
    unsigned long filesOpened_ = 0;
};
