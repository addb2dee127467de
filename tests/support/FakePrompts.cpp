#include "FakePrompts.h"

#include <gtest/gtest.h>

namespace zandrel {

FakePrompts::~FakePrompts()
{
    for (const auto& record : records_)
        ADD_FAILURE() << "prompt not expected by the test: " << record;
    if (!answers.empty())
        ADD_FAILURE() << "question answers left unused: " << answers.size();
    if (!saveAnswers_.empty() || !openAnswers_.empty())
        ADD_FAILURE() << "dialog answers left unused: " << saveAnswers_.size() << " save, "
                      << openAnswers_.size() << " open";
}

void FakePrompts::answerSave(std::optional<std::string> fileName)
{
    saveAnswers_.push_back(std::move(fileName));
}

void FakePrompts::answerOpen(std::optional<std::string> fileName)
{
    openAnswers_.push_back(std::move(fileName));
}

std::vector<std::string> FakePrompts::take()
{
    std::vector<std::string> out;
    out.swap(records_);
    return out;
}

void FakePrompts::box(const char* kind, const std::string& text)
{
    records_.push_back(kind + text);
    captionAtLastBox = captions.empty() ? std::string() : captions.back();
}

void FakePrompts::warning(const std::string& text) { box("warning: ", text); }
void FakePrompts::information(const std::string& text) { box("information: ", text); }
void FakePrompts::error(const std::string& text) { box("error: ", text); }

std::optional<std::string> FakePrompts::answer(std::deque<std::optional<std::string>>& queue,
                                               const char* kind)
{
    records_.push_back(kind);
    if (queue.empty()) {
        ADD_FAILURE() << "unexpected " << kind << " dialog";
        return std::nullopt;
    }
    auto result = std::move(queue.front());
    queue.pop_front();
    return result;
}

std::optional<std::string> FakePrompts::saveFileName() { return answer(saveAnswers_, "save"); }
std::optional<std::string> FakePrompts::openFileName() { return answer(openAnswers_, "open"); }

void FakePrompts::setCaption(const std::string& caption) { captions.push_back(caption); }

void FakePrompts::progress(std::size_t done, std::size_t total)
{
    ++progressReports;
    progressEnded = done >= total;
}

bool FakePrompts::progressOrCancel(std::size_t done, std::size_t total)
{
    progress(done, total);
    return !(cancelAt && done >= *cancelAt);
}

bool FakePrompts::stopRequested()
{
    return stopAfterReports && progressReports >= *stopAfterReports;
}

} // namespace zandrel

namespace zandrel {

Prompts::Answer FakePrompts::yesNoCancel(const std::string& text)
{
    box("question: ", text);
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return Answer::Cancel;
    }
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace zandrel
