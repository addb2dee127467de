// Every number inside a P2K message is big-endian. These two helpers build and take apart such
// messages without ever reading past the bytes they were given.
#pragma once

#include "PhonePort.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace p2kusb {

class ByteWriter {
public:
    ByteWriter& u8(std::uint8_t value)
    {
        bytes_.push_back(value);
        return *this;
    }
    ByteWriter& u16(std::uint16_t value)
    {
        return u8(std::uint8_t(value >> 8)).u8(std::uint8_t(value));
    }
    ByteWriter& u32(std::uint32_t value)
    {
        return u16(std::uint16_t(value >> 16)).u16(std::uint16_t(value));
    }
    ByteWriter& raw(std::string_view bytes)
    {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    ByteWriter& raw(const Bytes& bytes)
    {
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    ByteWriter& zeros(std::size_t count)
    {
        bytes_.insert(bytes_.end(), count, 0);
        return *this;
    }
    Bytes take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

// Reads fields front to back; a field that runs past the end gives nothing and leaves the reader
// where it was.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit ByteReader(const Bytes& bytes) : ByteReader(bytes.data(), bytes.size()) {}

    std::size_t remaining() const { return size_ - at_; }
    std::optional<std::uint8_t> u8()
    {
        if (remaining() < 1)
            return std::nullopt;
        return data_[at_++];
    }
    std::optional<std::uint16_t> u16()
    {
        if (remaining() < 2)
            return std::nullopt;
        std::uint16_t value = std::uint16_t(data_[at_] << 8 | data_[at_ + 1]);
        at_ += 2;
        return value;
    }
    std::optional<std::uint32_t> u32()
    {
        if (remaining() < 4)
            return std::nullopt;
        auto high = u16();
        auto low = u16();
        return std::uint32_t(*high) << 16 | *low;
    }
    std::optional<Bytes> take(std::size_t count)
    {
        if (remaining() < count)
            return std::nullopt;
        Bytes out(data_ + at_, data_ + at_ + count);
        at_ += count;
        return out;
    }
    Bytes rest()
    {
        Bytes out(data_ + at_, data_ + size_);
        at_ = size_;
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

} // namespace p2kusb
