#include "sweep/PathList.h"

namespace zandrel {

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

std::string_view PathList::operator[](std::size_t i) const
{
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(begin, ends_[i] - begin);
}

} // namespace zandrel
