#include "sweep/LastReadBackup.h"

#include "backup/BackupWriter.h"

#include <ctime>
#include <unordered_set>

namespace zandrel {

std::vector<std::string> pathsOfLastRead(const SweepSession& session)
{
    std::vector<std::string> paths;
    std::unordered_set<std::string_view> seen;
    const auto add = [&](std::string_view path) {
        if (seen.insert(path).second)
            paths.emplace_back(path);
    };
    session.sweep.paths().forEach([&](std::size_t, std::string_view path) { add(path); });
    for (std::size_t i = session.javaOfLastRead; i < session.java.size(); ++i)
        add(session.java[i]);
    return paths;
}

void BackupLastRead(SweepSession& session, const BackupTexts& texts,
                    const std::string& workingFolder)
{
    const std::vector<std::string> paths = pathsOfLastRead(session);
    if (paths.empty()) {
        session.prompts.warning(session.texts.get(MessageText::ReadListFirst));
        return;
    }
    CreateBackup(session.phone, session.prompts, texts, paths, workingFolder,
                 static_cast<std::int64_t>(std::time(nullptr)));
}

} // namespace zandrel
