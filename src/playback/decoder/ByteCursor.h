#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace klonkel {

// Big-endian reads from a span that never pass its end: a read past it yields zero and marks the
// cursor failed, so a parser checks once after a run of reads instead of before each one.
class ByteCursor
{
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::size_t remaining() const { return m_bytes.size() - m_position; }
    std::size_t position() const { return m_position; }
    bool failed() const { return m_failed; }
    bool atEnd() const { return remaining() == 0; }

    std::uint8_t u8() { return std::uint8_t(take(1)); }
    std::uint16_t u16() { return std::uint16_t(take(2)); }
    std::uint32_t u32() { return std::uint32_t(take(4)); }
    std::uint64_t u64() { return take(8); }
    bool skip(std::size_t count)
    {
        if (!has(count))
            return false;
        m_position += count;
        return true;
    }
    // The next `count` bytes, consumed; empty (and failed) when fewer remain.
    std::span<const std::uint8_t> bytes(std::size_t count)
    {
        if (!has(count))
            return {};
        const auto part = m_bytes.subspan(m_position, count);
        m_position += count;
        return part;
    }
    std::span<const std::uint8_t> rest() { return bytes(remaining()); }

private:
    bool has(std::size_t count)
    {
        if (count > remaining())
            m_failed = true;
        return !m_failed;
    }
    std::uint64_t take(std::size_t count)
    {
        if (!has(count))
            return 0;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < count; ++i)
            value = value << 8 | m_bytes[m_position + i];
        m_position += count;
        return value;
    }

    std::span<const std::uint8_t> m_bytes;
    std::size_t m_position = 0;
    bool m_failed = false;
};

} // namespace klonkel
