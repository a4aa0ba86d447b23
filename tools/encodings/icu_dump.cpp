// Prints what ICU's converter, as Quorlane opens it, decodes every one-byte sequence and every
// two-byte sequence (first byte 0x81-0xFE, second 0x40-0xFE) to, in the browser dump's format.
//   icu_dump ENCODING [two-byte]
#include <cstdio>
#include <string>

#include "files/IcuConverter.h"

int main(int argc, char** argv)
{
    const auto encoding = quorlane::files::EncodingNamed(argv[1]);
    if (argc < 2 || !encoding) {
        std::fprintf(stderr, "icu_dump: no such encoding\n");
        return 2;
    }
    const auto dump = [&](const std::string& bytes, const char* label) {
        std::u16string out;
        std::printf("%s:", label);
        if (!quorlane::files::DecodeWithIcuOnly(*encoding, bytes, out)) {
            std::printf("ERR");
        }
        for (char16_t c : out) {
            std::printf("%04X ", static_cast<unsigned>(c));
        }
        std::printf("\n");
    };
    char label[8];
    for (int b = 0; b < 256; ++b) {
        std::snprintf(label, sizeof label, "%02X", b);
        dump(std::string(1, static_cast<char>(b)), label);
    }
    if (argc > 2) {
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                std::snprintf(label, sizeof label, "%02X%02X", lead, trail);
                dump(std::string{static_cast<char>(lead), static_cast<char>(trail)}, label);
            }
        }
    }
}
