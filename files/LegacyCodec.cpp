#include "files/LegacyCodec.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "files/IcuConverter.h"

namespace quorlane::files {

namespace {

struct Override
{
    std::string_view encoding;
    int length;          // bytes in the sequence
    std::uint16_t first; // the sequence, first byte in the high half for two bytes
    std::uint16_t last;
    int count; // code units it decodes to; 0 for an error
    std::array<char16_t, 2> units;
};

constexpr Override overrides[] = {
#include "files/BrowserOverrides.inc"
};

// What a sequence decodes to: up to two code units packed into one value, or an error.
using Decoded = std::uint32_t;
constexpr Decoded decodeError = 0xFFFFFFFF;

constexpr Decoded pack(const char16_t* units, std::size_t count)
{
    return count == 0 ? decodeError
                      : Decoded(units[0]) | (count > 1 ? Decoded(units[1]) << 16 : Decoded(0));
}

constexpr int leadFirst = 0x81;
constexpr int leadLast = 0xFE;
constexpr int trailFirst = 0x40;
constexpr int trailLast = 0xFE;
constexpr int trails = trailLast - trailFirst + 1;

// The decoding of every one-byte sequence and, for the multi-byte encodings, of every two-byte
// sequence with a lead byte 0x81-0xFE and a trail byte 0x40-0xFE; and the way back.
class ByteTable
{
public:
    explicit ByteTable(Encoding encoding);

    Decoded single(std::uint8_t byte) const { return m_single[byte]; }
    // A two-byte sequence, or an error for one outside the table.
    Decoded pair(std::uint8_t lead, std::uint8_t trail) const
    {
        if (m_pairs.empty() || lead < leadFirst || lead > leadLast || trail < trailFirst ||
            trail > trailLast) {
            return decodeError;
        }
        return m_pairs[static_cast<std::size_t>((lead - leadFirst) * trails + trail - trailFirst)];
    }
    // The bytes of one character (a code unit, or a surrogate pair packed), if the table has it.
    const std::string* bytesOf(Decoded character) const
    {
        const auto it = m_reverse.find(character);
        return it == m_reverse.end() ? nullptr : &it->second;
    }

private:
    Decoded fromIcu(Encoding encoding, const std::string& bytes) const;
    void applyOverrides(Encoding encoding);
    void buildReverse();

    std::array<Decoded, 256> m_single{};
    std::vector<Decoded> m_pairs;
    std::unordered_map<Decoded, std::string> m_reverse;
};

Decoded ByteTable::fromIcu(Encoding encoding, const std::string& bytes) const
{
    std::u16string units;
    if (!DecodeWithIcuOnly(encoding, bytes, units) || units.empty() || units.size() > 2) {
        return decodeError;
    }
    return pack(units.data(), units.size());
}

ByteTable::ByteTable(Encoding encoding)
{
    for (int b = 0; b < 256; ++b) {
        m_single[static_cast<std::size_t>(b)] =
            fromIcu(encoding, std::string(1, static_cast<char>(b)));
    }
    if (IsMultiByte(encoding)) {
        m_pairs.resize(static_cast<std::size_t>((leadLast - leadFirst + 1) * trails));
        for (int lead = leadFirst; lead <= leadLast; ++lead) {
            for (int trail = trailFirst; trail <= trailLast; ++trail) {
                const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
                m_pairs[static_cast<std::size_t>((lead - leadFirst) * trails + trail -
                                                 trailFirst)] = fromIcu(encoding, bytes);
            }
        }
    }
    applyOverrides(encoding);
    buildReverse();
}

void ByteTable::applyOverrides(Encoding encoding)
{
    for (const Override& o : overrides) {
        if (EncodingNamed(o.encoding) != encoding) {
            continue;
        }
        const Decoded value = pack(o.units.data(), static_cast<std::size_t>(o.count));
        for (unsigned seq = o.first; seq <= o.last; ++seq) {
            if (o.length == 1) {
                m_single[seq] = value;
            } else if (!m_pairs.empty()) {
                const unsigned lead = seq >> 8;
                const unsigned trail = seq & 0xFF;
                m_pairs[(lead - leadFirst) * trails + trail - trailFirst] = value;
            }
        }
    }
}

// The first sequence that decodes to a character is the one that encodes it, one-byte
// sequences first. Sequences that decode to two characters are not reversed.
void ByteTable::buildReverse()
{
    const auto isOneCharacter = [](Decoded value) {
        const char16_t second = static_cast<char16_t>(value >> 16);
        const char16_t first = static_cast<char16_t>(value & 0xFFFF);
        return second == 0 || (first >= 0xD800 && first <= 0xDBFF);
    };
    for (int b = 0; b < 256; ++b) {
        const Decoded value = m_single[static_cast<std::size_t>(b)];
        if (value != decodeError && isOneCharacter(value)) {
            m_reverse.emplace(value, std::string(1, static_cast<char>(b)));
        }
    }
    for (int lead = leadFirst; lead <= leadLast && !m_pairs.empty(); ++lead) {
        for (int trail = trailFirst; trail <= trailLast; ++trail) {
            const Decoded value =
                pair(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
            if (value != decodeError && isOneCharacter(value)) {
                m_reverse.emplace(value,
                                  std::string{static_cast<char>(lead), static_cast<char>(trail)});
            }
        }
    }
}

// One table per encoding, built on first use.
const ByteTable* tableFor(Encoding encoding)
{
    static std::mutex mutex;
    static std::map<Encoding, std::unique_ptr<ByteTable>> tables;
    const std::lock_guard lock(mutex);
    const auto it = tables.find(encoding);
    if (it != tables.end()) {
        return it->second.get();
    }
    if (!HasIcuConverter(encoding)) {
        return nullptr;
    }
    return tables.emplace(encoding, std::make_unique<ByteTable>(encoding)).first->second.get();
}

void appendDecoded(std::u16string& out, Decoded value)
{
    out.push_back(static_cast<char16_t>(value & 0xFFFF));
    if ((value >> 16) != 0) {
        out.push_back(static_cast<char16_t>(value >> 16));
    }
}

// The sequences longer than two bytes: gb18030's four-byte ones (second byte a digit) and
// EUC-JP's three-byte ones (lead 0x8F). Gives their length, or 0.
std::size_t longSequenceAt(Encoding encoding, std::string_view bytes, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
    if (encoding == Encoding::Gb18030 && i + 3 < bytes.size() && byte(i + 1) >= 0x30 &&
        byte(i + 1) <= 0x39) {
        return 4;
    }
    if (encoding == Encoding::EucJp && byte(i) == 0x8F && i + 2 < bytes.size()) {
        return 3;
    }
    return 0;
}

} // namespace

bool CanDecodeLegacy(Encoding encoding)
{
    return HasIcuConverter(ReadAs(encoding));
}

bool DecodeLegacy(Encoding given, std::string_view bytes, std::u16string& out)
{
    const Encoding encoding = ReadAs(given);
    if (encoding == Encoding::Iso2022Jp) {
        return DecodeWithIcuOnly(encoding, bytes, out); // stateful: no table
    }
    const ByteTable* table = tableFor(encoding);
    if (table == nullptr) {
        return false;
    }
    out.reserve(out.size() + bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<std::uint8_t>(bytes[i]);
        if (const Decoded one = table->single(lead); one != decodeError) {
            appendDecoded(out, one);
            ++i;
            continue;
        }
        if (i + 1 < bytes.size()) {
            const Decoded two = table->pair(lead, static_cast<std::uint8_t>(bytes[i + 1]));
            if (two != decodeError) {
                appendDecoded(out, two);
                i += 2;
                continue;
            }
        }
        const std::size_t length = longSequenceAt(encoding, bytes, i);
        if (length == 0 || !DecodeWithIcuOnly(encoding, bytes.substr(i, length), out)) {
            return false;
        }
        i += length;
    }
    return true;
}

void EncodeLegacy(Encoding given, std::u16string_view text, std::string& out)
{
    const Encoding encoding = ReadAs(given);
    const ByteTable* table = encoding == Encoding::Iso2022Jp ? nullptr : tableFor(encoding);
    if (table == nullptr) {
        EncodeWithIcuOnly(encoding, text, out);
        return;
    }
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t units = 1;
        Decoded character = text[i];
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
            text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            character |= Decoded(text[i + 1]) << 16;
            units = 2;
        }
        if (const std::string* bytes = table->bytesOf(character)) {
            out += *bytes;
        } else {
            EncodeWithIcuOnly(encoding, text.substr(i, units), out);
        }
        i += units - 1;
    }
}

} // namespace quorlane::files
