#include "sweep/SweepList.h"

namespace zandrel {

void SweepList::clear()
{
    paths_.clear();
    ticks_.clear();
    selected_.reset();
    ++revision_;
}

void SweepList::take(SweepList&& other)
{
    paths_ = std::move(other.paths_);
    ticks_ = std::move(other.ticks_);
    selected_.reset();
    ++revision_;
    other.clear();
}

void SweepList::reserve(std::size_t count, std::size_t totalBytes)
{
    paths_.reserve(count, totalBytes);
    ticks_.reserve(count);
}

void SweepList::append(std::string_view path)
{
    paths_.push_back(path);
    ticks_.push_back(0);
    ++revision_;
}

} // namespace zandrel
