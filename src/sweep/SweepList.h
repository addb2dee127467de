#pragma once
#include "sweep/PathList.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zandrel {

// The phone's non-Java files as read last: paths in library order, a tick per entry, and one
// list-wide selection. Ticks and selection are independent.
class SweepList {
public:
    void clear();
    void reserve(std::size_t count, std::size_t totalBytes);
    void append(std::string_view path); // a new entry, not ticked
    // Takes the entries of `other` in place of its own, the selection gone.
    void take(SweepList&& other);

    std::size_t size() const { return paths_.size(); }
    bool empty() const { return paths_.empty(); }
    std::string_view path(std::size_t i) const { return paths_[i]; }
    bool ticked(std::size_t i) const { return ticks_[i] != 0; }
    void setTicked(std::size_t i, bool ticked) { ticks_[i] = ticked ? 1 : 0; }
    const PathList& paths() const { return paths_; }

    // Ticks every entry whose path passes the test, in one pass; never unticks.
    template <typename Test> void tickWhere(Test&& passes)
    {
        std::uint8_t* const ticks = ticks_.data();
        paths_.forEach([&](std::size_t i, std::string_view path) {
            if (passes(path))
                ticks[i] = 1;
        });
    }

    std::optional<std::size_t> selected() const { return selected_; }
    void select(std::size_t i) { selected_ = i; } // ends the selection of any other entry
    void clearSelection() { selected_.reset(); }

    // Changes whenever entries are added or removed, so a view knows to rebuild its rows.
    std::uint64_t revision() const { return revision_; }

private:
    PathList paths_;
    std::vector<std::uint8_t> ticks_;
    std::optional<std::size_t> selected_;
    std::uint64_t revision_ = 0;
};

} // namespace zandrel
