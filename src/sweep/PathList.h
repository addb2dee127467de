#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

// An ordered list of byte strings kept in one contiguous buffer, so a million phone paths
// cost two allocations rather than a million.
class PathList {
public:
    PathList() = default;
    // Takes over `bytes` and the end offset of every path in it, ascending; bytes past the last
    // end are dropped.
    PathList(std::string bytes, std::vector<std::size_t> ends);

    void clear();
    void reserve(std::size_t count, std::size_t totalBytes);
    void push_back(std::string_view path);

    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    // The bytes of every path together, without separators.
    std::string_view allBytes() const { return bytes_; }
    std::size_t byteCount() const { return bytes_.size(); }

    // Inline: the rules and the search look at every path of a million-entry list.
    std::string_view operator[](std::size_t i) const
    {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return {bytes_.data() + begin, ends_[i] - begin};
    }

    // Calls visit(i, path) for every path in order, carrying each path's start from the
    // previous one's end.
    template <typename Visit> void forEach(Visit&& visit) const
    {
        const char* const bytes = bytes_.data();
        const std::size_t* const ends = ends_.data();
        const std::size_t count = ends_.size();
        std::size_t begin = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t end = ends[i];
            visit(i, std::string_view(bytes + begin, end - begin));
            begin = end;
        }
    }

    friend bool operator==(const PathList& a, const PathList& b) = default;

private:
    std::string bytes_;
    std::vector<std::size_t> ends_; // end offset of each path in bytes_
};

} // namespace zandrel
