#include "sweep/Cleaning.h"

#include "sweep/DeletionPass.h"
#include "tools/RingFix.h"

#include <string>
#include <vector>

namespace zandrel {

namespace {
std::vector<std::size_t> tickedEntries(const SweepList& list)
{
    std::vector<std::size_t> ticked;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list.ticked(i))
            ticked.push_back(i);
    return ticked;
}

// Tells how a pass that did not run to its end ended, in one box; returns false when it ran to
// its end and the caller goes on.
bool toldEndedEarly(SweepSession& session, const DeletionPass& pass, DeletionPass::Ending ending,
                    bool ticked)
{
    const auto withNews = [&](std::string text) {
        return pass.news().empty() ? text : text + "\n" + pass.news();
    };
    switch (ending) {
    case DeletionPass::Ending::Done:
        if (!pass.news().empty())
            session.prompts.information(pass.news());
        return false;
    case DeletionPass::Ending::Cancelled:
        return true;
    case DeletionPass::Ending::Stopped: {
        std::string text = pass.stoppedText(ticked);
        if (!pass.allDeleted())
            text += "\n" + pass.failureText(session.texts);
        session.prompts.information(withNews(text));
        return true;
    }
    case DeletionPass::Ending::PhoneGone:
        session.prompts.error(withNews(pass.goneText()));
        return true;
    }
    return true;
}
} // namespace

void CleanTicked(SweepSession& session)
{
    if (session.sweep.empty()) {
        session.prompts.warning(session.texts.get(MessageText::NotList));
        return;
    }
    const SweepList& list = session.sweep;
    const std::vector<std::size_t> ticked = tickedEntries(list);
    DeletionPass pass(session.phone, session.prompts, session.keeper);
    // Every ticked entry goes, the first one included.
    const DeletionPass::Ending ending =
        pass.run([&](std::size_t i) { return list.path(ticked[i]); }, ticked.size());
    if (toldEndedEarly(session, pass, ending, true))
        return;
    // The ring fix runs after the pass whatever it left; a ring fix that failed has shown its
    // own error. Message 75 comes only when both went well; the deletions done stand.
    const bool ringFixed = RingFix(session.phone, session.prompts, session.texts);
    if (!pass.allDeleted())
        session.prompts.error(pass.failureText(session.texts));
    else if (ringFixed)
        session.prompts.information(session.texts.get(MessageText::Deleted));
}

void CleanJava(SweepSession& session)
{
    if (session.java.empty()) {
        session.prompts.warning(session.texts.get(MessageText::ReadListFirst));
        return;
    }
    // Every path goes, the first one included. Clean Java shows no box when a file could not
    // be deleted; a stop or a phone gone is told all the same.
    const PathList& paths = session.java;
    DeletionPass pass(session.phone, session.prompts, session.keeper);
    const DeletionPass::Ending ending =
        pass.run([&](std::size_t i) { return paths[i]; }, paths.size());
    toldEndedEarly(session, pass, ending, false);
}

void CleanByList(SweepSession& session)
{
    if (session.clean.empty()) {
        session.prompts.warning(session.texts.get(MessageText::NotList));
        return;
    }
    // Every line goes, the first one included; empty ones are passed on as empty paths.
    const PathList& paths = session.clean;
    DeletionPass pass(session.phone, session.prompts, session.keeper);
    const DeletionPass::Ending ending =
        pass.run([&](std::size_t i) { return paths[i]; }, paths.size());
    if (toldEndedEarly(session, pass, ending, false))
        return;
    if (!pass.allDeleted())
        session.prompts.error(pass.failureText(session.texts));
    else
        session.prompts.information(session.texts.get(MessageText::Deleted));
}

} // namespace zandrel
