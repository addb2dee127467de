#pragma once
#include "sweep/PathList.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zandrel {

// The phone's non-Java files as read last: paths in library order, a tick per entry, and one
// list-wide selection. Ticks and selection are independent. How many entries are ticked, and
// their bytes, are kept as the ticks change, so showing them costs no pass over the list.
class SweepList {
public:
    void clear();
    void reserve(std::size_t count, std::size_t totalBytes);
    // A new entry, not ticked; `bytes` is its file's size where the read told it.
    void append(std::string_view path, std::uint32_t bytes = 0);
    // Takes the entries of `other` in place of its own, the selection gone.
    void take(SweepList&& other);

    std::size_t size() const { return paths_.size(); }
    bool empty() const { return paths_.empty(); }
    std::string_view path(std::size_t i) const { return paths_[i]; }
    bool ticked(std::size_t i) const { return ticks_[i] != 0; }
    void setTicked(std::size_t i, bool ticked)
    {
        if (ticked == (ticks_[i] != 0))
            return;
        ticks_[i] = ticked ? 1 : 0;
        if (ticked) {
            ++tickedCount_;
            tickedBytes_ += sizes_[i];
        } else {
            --tickedCount_;
            tickedBytes_ -= sizes_[i];
        }
    }
    const PathList& paths() const { return paths_; }

    // Whether the entries carry their files' sizes: only a library that can fetch files puts
    // them in its records. Without them every size is 0.
    bool sizesKnown() const { return sizesKnown_; }
    void setSizesKnown(bool known) { sizesKnown_ = known; }
    std::uint32_t fileBytes(std::size_t i) const { return sizes_[i]; }
    std::size_t tickedCount() const { return tickedCount_; }
    std::uint64_t tickedBytes() const { return tickedBytes_; }

    // Ticks every entry whose path passes the test, in one pass; never unticks. The totals take
    // in the newly ticked entries within the same pass: only the entries that pass pay for it,
    // where counting again afterwards would read every tick and size.
    template <typename Test> void tickWhere(Test&& passes)
    {
        std::uint8_t* const ticks = ticks_.data();
        const std::uint32_t* const sizes = sizes_.data();
        std::size_t newly = 0;
        std::uint64_t newBytes = 0;
        paths_.forEach([&](std::size_t i, std::string_view path) {
            if (passes(path) && ticks[i] == 0) {
                ticks[i] = 1;
                ++newly;
                newBytes += sizes[i];
            }
        });
        tickedCount_ += newly;
        tickedBytes_ += newBytes;
    }

    std::optional<std::size_t> selected() const { return selected_; }
    void select(std::size_t i) { selected_ = i; } // ends the selection of any other entry
    void clearSelection() { selected_.reset(); }

    // Changes whenever entries are added or removed, so a view knows to rebuild its rows.
    std::uint64_t revision() const { return revision_; }

private:
    PathList paths_;
    std::vector<std::uint8_t> ticks_;
    std::vector<std::uint32_t> sizes_;
    std::size_t tickedCount_ = 0;
    std::uint64_t tickedBytes_ = 0;
    bool sizesKnown_ = false;
    std::optional<std::size_t> selected_;
    std::uint64_t revision_ = 0;
};

} // namespace zandrel
