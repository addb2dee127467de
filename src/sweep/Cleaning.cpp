#include "sweep/Cleaning.h"

#include "sweep/DeletionPass.h"
#include "tools/RingFix.h"

namespace zandrel {

namespace {
std::size_t tickedCount(const SweepList& list)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < list.size(); ++i)
        count += list.ticked(i) ? 1 : 0;
    return count;
}

// Both return false when a path could not be passed on; the error box has been shown then.
bool deleteTicked(SweepSession& session)
{
    const SweepList& list = session.sweep;
    DeletionPass pass(session.phone, session.prompts, tickedCount(list), session.keeper);
    // Every ticked entry goes, the first one included.
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list.ticked(i))
            pass.remove(list.path(i));
    return pass.finish();
}

// Every path goes, the first one included; empty ones are passed on as empty paths.
bool deleteEveryPath(SweepSession& session, const PathList& paths)
{
    DeletionPass pass(session.phone, session.prompts, paths.size(), session.keeper);
    for (std::size_t i = 0; i < paths.size(); ++i)
        pass.remove(paths[i]);
    return pass.finish();
}
} // namespace

void CleanTicked(SweepSession& session)
{
    if (session.sweep.empty()) {
        session.prompts.warning(session.texts.get(MessageText::NotList));
        return;
    }
    // A path left out is a failure, and so is a ring fix that failed (it has shown its own
    // error); neither ends in message 75. The deletions done stand.
    const bool everyPath = deleteTicked(session);
    if (!RingFix(session.phone, session.prompts) || !everyPath)
        return;
    session.prompts.information(session.texts.get(MessageText::Deleted));
}

void CleanJava(SweepSession& session)
{
    if (session.java.empty()) {
        session.prompts.warning(session.texts.get(MessageText::ReadListFirst));
        return;
    }
    [[maybe_unused]] const bool everyPath = deleteEveryPath(session, session.java);
}

void CleanByList(SweepSession& session)
{
    if (session.clean.empty()) {
        session.prompts.warning(session.texts.get(MessageText::NotList));
        return;
    }
    if (!deleteEveryPath(session, session.clean))
        return;
    session.prompts.information(session.texts.get(MessageText::Deleted));
}

} // namespace zandrel
