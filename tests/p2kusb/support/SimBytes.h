// The simulated phone's own big-endian fields, so that it shares no code with the library it
// answers.
#pragma once

#include "PhonePort.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace p2kusb {

struct SimWriter {
    Bytes out;
    SimWriter& field(int width, std::uint32_t value)
    {
        while (width-- > 0)
            out.push_back(std::uint8_t(value >> 8 * width));
        return *this;
    }
    SimWriter& u8(std::uint8_t value) { return field(1, value); }
    SimWriter& u16(std::uint16_t value) { return field(2, value); }
    SimWriter& u32(std::uint32_t value) { return field(4, value); }
    template <typename Range> SimWriter& raw(const Range& bytes) // a string or Bytes
    {
        out.insert(out.end(), bytes.begin(), bytes.end());
        return *this;
    }
    SimWriter& zeros(std::size_t count) { return raw(Bytes(count, 0)); }
    Bytes take() { return std::move(out); }
};

// A field past the end reads as nothing.
struct SimReader {
    const Bytes& in;
    std::size_t at = 0;
    std::size_t remaining() const { return in.size() - at; }
    std::optional<std::uint32_t> field(std::size_t width)
    {
        if (remaining() < width)
            return std::nullopt;
        std::uint32_t value = 0;
        while (width-- > 0)
            value = value << 8 | in[at++];
        return value;
    }
    std::optional<std::uint8_t> u8() { return field(1); }
    std::optional<std::uint16_t> u16() { return field(2); }
    std::optional<std::uint32_t> u32() { return field(4); }
    Bytes rest()
    {
        return Bytes(in.begin() + std::ptrdiff_t(std::exchange(at, in.size())), in.end());
    }
};

} // namespace p2kusb
