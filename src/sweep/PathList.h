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
    void clear();
    void reserve(std::size_t count, std::size_t totalBytes);
    void push_back(std::string_view path);

    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view operator[](std::size_t i) const;

    friend bool operator==(const PathList& a, const PathList& b) = default;

private:
    std::string bytes_;
    std::vector<std::size_t> ends_; // end offset of each path in bytes_
};

} // namespace zandrel
