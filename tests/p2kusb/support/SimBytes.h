// The simulated phone's own reading and writing of big-endian fields, so that it shares no code
// with the library it answers.
#pragma once

#include "PhonePort.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace p2kusb {

class SimWriter {
public:
    SimWriter& u8(std::uint8_t value)
    {
        out_.push_back(value);
        return *this;
    }
    SimWriter& u16(std::uint16_t value)
    {
        return u8(std::uint8_t(value >> 8)).u8(std::uint8_t(value));
    }
    SimWriter& u32(std::uint32_t value)
    {
        return u16(std::uint16_t(value >> 16)).u16(std::uint16_t(value));
    }
    template <typename Range> SimWriter& raw(const Range& bytes) // a string or Bytes
    {
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    SimWriter& zeros(std::size_t count)
    {
        out_.insert(out_.end(), count, 0);
        return *this;
    }
    Bytes take() { return std::move(out_); }

private:
    Bytes out_;
};

// A field past the end reads as nothing.
class SimReader {
public:
    explicit SimReader(const Bytes& bytes) : bytes_(bytes) {}

    std::size_t remaining() const { return bytes_.size() - at_; }
    std::optional<std::uint32_t> field(std::size_t width)
    {
        if (remaining() < width)
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < width; ++i)
            value = value << 8 | bytes_[at_++];
        return value;
    }
    std::optional<std::uint8_t> u8() { return field(1); }
    std::optional<std::uint16_t> u16() { return field(2); }
    std::optional<std::uint32_t> u32() { return field(4); }
    Bytes rest()
    {
        Bytes out(bytes_.begin() + std::ptrdiff_t(at_), bytes_.end());
        at_ = bytes_.size();
        return out;
    }

private:
    const Bytes& bytes_;
    std::size_t at_ = 0;
};

} // namespace p2kusb
