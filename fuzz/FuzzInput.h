#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Turns the fuzzer's bytes into the inputs of a target.
namespace quorlane::fuzz {

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    std::uint8_t byte()
    {
        if (m_size == 0) {
            return 0;
        }
        --m_size;
        return *m_data++;
    }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | byte() << 8); }

    // The rest as text: bytes below 0x80 stand for themselves, so that markup in the corpus
    // stays readable; 0xF0 to 0xFF lead a two-byte code unit, so that every unit, surrogate
    // halves among them, can be reached.
    std::u16string text()
    {
        std::u16string out;
        while (m_size > 0) {
            const std::uint8_t b = byte();
            if (b >= 0xF0) {
                out.push_back(static_cast<char16_t>(((b & 0x0F) << 12) | (word() & 0x0FFF)));
            } else {
                out.push_back(b);
            }
        }
        return out;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace quorlane::fuzz
