#include "sweep/Cleaning.h"

#include "sweep/DeletionPass.h"
#include "tools/RingFix.h"

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

void deleteTicked(SweepSession& session)
{
    const SweepList& list = session.sweep;
    DeletionProgress progress(session.prompts, tickedCount(list));
    std::string path;
    // Every ticked entry goes, the first one included.
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list.ticked(i))
            continue;
        path.assign(list.path(i));
        session.phone.fileDelete(path);
        progress.advance();
    }
}
} // namespace

void CleanTicked(SweepSession& session)
{
    if (session.sweep.empty()) {
        session.prompts.warning(session.texts.get(76));
        return;
    }
    deleteTicked(session);
    // The ring fix has shown its own error when its seem file is missing; the deletions stand.
    if (!RingFix(session.phone, session.prompts))
        return;
    session.prompts.information(session.texts.get(75));
}

void CleanJava(SweepSession& session)
{
    if (session.java.empty()) {
        session.prompts.warning(session.texts.get(77));
        return;
    }
    deleteEveryPath(session.phone, session.prompts, session.java);
}

} // namespace zandrel
