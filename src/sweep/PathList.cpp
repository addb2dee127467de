#include "sweep/PathList.h"

#include <utility>

namespace zandrel {

PathList::PathList(std::string bytes, std::vector<std::size_t> ends)
    : bytes_(std::move(bytes)), ends_(std::move(ends))
{
    bytes_.resize(ends_.empty() ? 0 : ends_.back());
}

void PathList::clear()
{
    bytes_.clear();
    ends_.clear();
}

void PathList::reserve(std::size_t count, std::size_t totalBytes)
{
    ends_.reserve(count);
    bytes_.reserve(totalBytes);
}

void PathList::push_back(std::string_view path)
{
    bytes_.append(path);
    ends_.push_back(bytes_.size());
}

} // namespace zandrel
