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

void deleteTicked(SweepSession& session)
{
    const SweepList& list = session.sweep;
    DeletionPass pass(session.phone, session.prompts, tickedCount(list));
    // Every ticked entry goes, the first one included.
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list.ticked(i))
            pass.remove(list.path(i));
}

// Every path goes, the first one included; empty ones are passed on as empty paths.
void deleteEveryPath(SweepSession& session, const PathList& paths)
{
    DeletionPass pass(session.phone, session.prompts, paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        pass.remove(paths[i]);
}
} // namespace

void CleanTicked(SweepSession& session)
{
    if (session.sweep.empty()) {
        session.prompts.warning(session.texts.get(MessageText::NotList));
        return;
    }
    deleteTicked(session);
    // The ring fix has shown its own error when its seem file is missing; the deletions stand.
    if (!RingFix(session.phone, session.prompts))
        return;
    session.prompts.information(session.texts.get(MessageText::Deleted));
}

void CleanJava(SweepSession& session)
{
    if (session.java.empty()) {
        session.prompts.warning(session.texts.get(MessageText::ReadListFirst));
        return;
    }
    deleteEveryPath(session, session.java);
}

void CleanByList(SweepSession& session)
{
    if (session.clean.empty()) {
        session.prompts.warning(session.texts.get(MessageText::NotList));
        return;
    }
    deleteEveryPath(session, session.clean);
    session.prompts.information(session.texts.get(MessageText::Deleted));
}

} // namespace zandrel
