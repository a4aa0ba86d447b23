// UTS #46 through the ICU that Windows ships, loaded at run time from System32 only: the
// program runs on systems without it too. The few declarations are ICU's stable C interface,
// which Windows exports without version suffixes.
#include <cstdint>
#include <windows.h>

#include "files/IdnaWindows.h"

namespace quorlane::files {

namespace {

struct IdnaInfo // UIDNAInfo
{
    std::int16_t size = sizeof(IdnaInfo);
    std::int8_t isTransitionalDifferent = 0;
    std::int8_t reservedB3 = 0;
    std::uint32_t errors = 0;
    std::int32_t reservedI2 = 0;
    std::int32_t reservedI3 = 0;
};

struct Uidna; // UIDNA
using OpenUts46 = Uidna* (*)(std::uint32_t options, int* status);
using NameToAscii = std::int32_t (*)(const Uidna* idna, const char16_t* name, std::int32_t length,
                                     char16_t* dest, std::int32_t capacity, IdnaInfo* info,
                                     int* status);

constexpr std::uint32_t checkBidi = 0x4;
constexpr std::uint32_t checkContextJ = 0x8;
constexpr std::uint32_t nontransitionalToAscii = 0x10;
constexpr int bufferOverflow = 15;
// Browsers leave out the hyphen checks and the DNS length checks: empty label, label too long,
// name too long, leading hyphen, trailing hyphen, hyphens in places 3 and 4.
constexpr std::uint32_t ignoredErrors = 0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x20;

bool failed(int status)
{
    return status > 0;
}

template <typename Function> Function symbol(HMODULE module, const char* name)
{
    // Through void (*)(), the one function pointer type that any other may be cast to.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The converter, made once for the whole process and kept to its end (ICU's converters may be
// used by many threads at once). Empty when the system has no ICU.
struct SystemIcu
{
    NameToAscii nameToAscii = nullptr;
    const Uidna* idna = nullptr;

    SystemIcu()
    {
        for (const wchar_t* name : {L"icu.dll", L"icuuc.dll"}) {
            if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
                if (load(module)) {
                    return;
                }
                FreeLibrary(module);
            }
        }
    }

    bool load(HMODULE module)
    {
        const auto open = symbol<OpenUts46>(module, "uidna_openUTS46");
        nameToAscii = symbol<NameToAscii>(module, "uidna_nameToASCII");
        int status = 0;
        idna = open && nameToAscii
                   ? open(nontransitionalToAscii | checkBidi | checkContextJ, &status)
                   : nullptr;
        return idna && !failed(status);
    }
};

const SystemIcu& systemIcu()
{
    static const SystemIcu icu;
    return icu;
}

} // namespace

bool IcuDllHasIdna()
{
    return systemIcu().idna != nullptr;
}

std::optional<std::u16string> IcuDllHostToAscii(std::u16string_view host)
{
    const SystemIcu& icu = systemIcu();
    if (!icu.idna || host.size() > 0x7FFF) {
        return std::nullopt;
    }
    std::u16string ascii(host.size() + 16, u'\0');
    IdnaInfo info;
    int status = 0;
    const auto convert = [&] {
        info = IdnaInfo{};
        status = 0;
        return icu.nameToAscii(icu.idna, host.data(), static_cast<std::int32_t>(host.size()),
                               ascii.data(), static_cast<std::int32_t>(ascii.size()), &info,
                               &status);
    };
    std::int32_t length = convert();
    if (status == bufferOverflow) {
        ascii.resize(static_cast<std::size_t>(length));
        length = convert();
    }
    if (failed(status) || (info.errors & ~ignoredErrors) != 0) {
        return std::nullopt;
    }
    ascii.resize(static_cast<std::size_t>(length));
    return ascii;
}

} // namespace quorlane::files
