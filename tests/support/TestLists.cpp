#include "TestLists.h"

namespace zandrel {

const Lines kRingFixCalls = {"Seem_Write 76 1 0 0", "File_Delete /a/mobile/audio/TempToneDB.db",
                             "File_Delete /a/mobile/audio/MyToneDB.db"};

PathList pathList(const Lines& lines)
{
    PathList list;
    for (const auto& line : lines)
        list.push_back(line);
    return list;
}

Lines linesOf(const PathList& list)
{
    Lines out;
    for (std::size_t i = 0; i < list.size(); ++i)
        out.emplace_back(list[i]);
    return out;
}

Lines pathsOf(const SweepList& list)
{
    Lines out;
    for (std::size_t i = 0; i < list.size(); ++i)
        out.emplace_back(list.path(i));
    return out;
}

void fillSweep(SweepList& list, const Lines& paths, const std::vector<std::size_t>& ticked)
{
    list.clear();
    for (const auto& path : paths)
        list.append(path);
    for (std::size_t i : ticked)
        list.setTicked(i, true);
}

} // namespace zandrel
