#pragma once
#include "base/Prompts.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zandrel {

// Records every box and dialog as "warning: text", "information: text", "error: text",
// "question: text", "save", "open". File dialogs take their answers from a queue the test
// fills in advance; a dialog with no queued answer fails the test. A test takes the records it
// expects with take(); records or answers still left when the fake is destroyed fail the test, so an
// unexpected box never goes unnoticed.
class FakePrompts final : public Prompts {
public:
    ~FakePrompts() override;

    // Queue the answer of the next save or open dialog; std::nullopt stands for Cancel.
    void answerSave(std::optional<std::string> fileName);
    void answerOpen(std::optional<std::string> fileName);

    // The records so far, which are then forgotten.
    std::vector<std::string> take();

    std::vector<std::string> captions; // every caption set, in order
    std::string captionAtLastBox;      // the caption while the last box showed
    std::size_t progressReports = 0;
    bool progressEnded = true; // false while a pass has reported progress but not its end
    // A pass the user may stop is cancelled when it reports this many done.
    std::optional<std::size_t> cancelAt;
    // The user asks to stop once this many progress reports have been made (0: before any).
    std::optional<std::size_t> stopAfterReports;

    void warning(const std::string& text) override;
    void information(const std::string& text) override;
    void error(const std::string& text) override;
    std::optional<std::string> saveFileName() override;
    std::optional<std::string> openFileName() override;
    void setCaption(const std::string& caption) override;
    void progress(std::size_t done, std::size_t total) override;
    bool progressOrCancel(std::size_t done, std::size_t total) override;
    bool stopRequested() override;
    // Recorded as "question: text"; answered from `answers`, and a question with none queued
    // fails the test (and is answered Cancel).
    std::deque<Answer> answers;
    Answer yesNoCancel(const std::string& text) override;

private:
    void box(const char* kind, const std::string& text);
    std::optional<std::string> answer(std::deque<std::optional<std::string>>& queue,
                                      const char* kind);

    std::vector<std::string> records_;
    std::deque<std::optional<std::string>> saveAnswers_;
    std::deque<std::optional<std::string>> openAnswers_;
};

} // namespace zandrel
