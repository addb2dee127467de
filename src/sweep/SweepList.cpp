#include "sweep/SweepList.h"

namespace zandrel {

void SweepList::clear()
{
    paths_.clear();
    ticks_.clear();
    sizes_.clear();
    tickedCount_ = 0;
    tickedBytes_ = 0;
    sizesKnown_ = false;
    selected_.reset();
    ++revision_;
}

void SweepList::take(SweepList&& other)
{
    paths_ = std::move(other.paths_);
    ticks_ = std::move(other.ticks_);
    sizes_ = std::move(other.sizes_);
    tickedCount_ = other.tickedCount_;
    tickedBytes_ = other.tickedBytes_;
    sizesKnown_ = other.sizesKnown_;
    selected_.reset();
    ++revision_;
    other.clear();
}

void SweepList::reserve(std::size_t count, std::size_t totalBytes)
{
    paths_.reserve(count, totalBytes);
    ticks_.reserve(count);
    sizes_.reserve(count);
}

void SweepList::append(std::string_view path, std::uint32_t bytes)
{
    paths_.push_back(path);
    ticks_.push_back(0);
    sizes_.push_back(bytes);
    ++revision_;
}

} // namespace zandrel
