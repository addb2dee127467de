#include "sweep/Cleaning.h"

#include "sweep/DeletionPass.h"
#include "tools/RingFix.h"

#include <optional>
#include <string>

namespace zandrel {

namespace {
std::size_t tickedCount(const SweepList& list)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < list.size(); ++i)
        count += list.ticked(i) ? 1 : 0;
    return count;
}

// Both give the final box's text when a file could not be deleted, and nothing when all went.
std::optional<std::string> deleteTicked(SweepSession& session)
{
    const SweepList& list = session.sweep;
    DeletionPass pass(session.phone, session.prompts, tickedCount(list), session.keeper);
    // Every ticked entry goes, the first one included.
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list.ticked(i))
            pass.remove(list.path(i));
    if (pass.finish())
        return std::nullopt;
    return pass.failureText(session.texts);
}

// Every path goes, the first one included; empty ones are passed on as empty paths.
std::optional<std::string> deleteEveryPath(SweepSession& session, const PathList& paths)
{
    DeletionPass pass(session.phone, session.prompts, paths.size(), session.keeper);
    for (std::size_t i = 0; i < paths.size(); ++i)
        pass.remove(paths[i]);
    if (pass.finish())
        return std::nullopt;
    return pass.failureText(session.texts);
}
} // namespace

void CleanTicked(SweepSession& session)
{
    if (session.sweep.empty()) {
        session.prompts.warning(session.texts.get(MessageText::NotList));
        return;
    }
    // The ring fix runs after the pass whatever it left; a ring fix that failed has shown its
    // own error. Message 75 comes only when both went well; the deletions done stand.
    const std::optional<std::string> notDeleted = deleteTicked(session);
    const bool ringFixed = RingFix(session.phone, session.prompts, session.texts);
    if (notDeleted)
        session.prompts.error(*notDeleted);
    else if (ringFixed)
        session.prompts.information(session.texts.get(MessageText::Deleted));
}

void CleanJava(SweepSession& session)
{
    if (session.java.empty()) {
        session.prompts.warning(session.texts.get(MessageText::ReadListFirst));
        return;
    }
    // Clean Java shows no box, also when a file could not be deleted.
    deleteEveryPath(session, session.java);
}

void CleanByList(SweepSession& session)
{
    if (session.clean.empty()) {
        session.prompts.warning(session.texts.get(MessageText::NotList));
        return;
    }
    if (const std::optional<std::string> notDeleted = deleteEveryPath(session, session.clean))
        session.prompts.error(*notDeleted);
    else
        session.prompts.information(session.texts.get(MessageText::Deleted));
}

} // namespace zandrel
