#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/FileRecord.h"
#include "core/HiddenPartSealer.h"
#include "core/PageSink.h"
#include "core/ProtectionSettings.h"

namespace quorlane::core {

// The comment that ends every protected page; a page holding it is never protected again.
inline constexpr std::u16string_view protectedPageMarker =
    u"\r\n<!-- This webpage was protected by Quorlane //-->\r\n";

// Where the banner and the no-script notice point.
inline constexpr std::u16string_view productAddress = u"https://www.quorlane.example/";

// Rewrites page into the protected page for settings. A frameset page whose frames are
// recognised is left as it is: its frame pages are protected on their own (the run takes them on
// with a FrameScanner). declaredCharset is the page's own encoding label, lower case,
// when it declares one that resolves; it is repeated at the very top of the protected page so
// that the browser still finds it. With a sealer and the password lock on, the hidden part is
// sealed under the run's key and the page carries the unlock script.
void ProtectPage(std::u16string& page, const ProtectionSettings& settings,
                 std::string_view declaredCharset = {}, HiddenPartSealer* sealer = nullptr);

// Whether the page holds frame elements, each with a source that can be read: a frameset that
// stays as it is once its frame pages are protected.
bool FramesRecognised(std::u16string_view page);

// Rewrites a page that is not a frameset whose frames were handled: everything ProtectPage does
// after the frames.
void ProtectOrdinaryPage(std::u16string& page, const ProtectionSettings& settings,
                         std::string_view declaredCharset = {}, HiddenPartSealer* sealer = nullptr);

// The same, written to out piece by piece instead of into the page, so that a large page is not
// held twice: what ProtectOrdinaryPage would leave in page. page is used as working storage.
void WriteOrdinaryPage(std::u16string& page, const ProtectionSettings& settings,
                       std::string_view declaredCharset, PageSink& out,
                       HiddenPartSealer* sealer = nullptr);

// The frame elements of a page, one at a time, for a caller that takes frame pages on without
// nesting calls. Holds a view of the page, which must outlive it.
class FrameScanner
{
public:
    enum class Next
    {
        Frame,  // source holds the frame's source
        End,    // no further frame element
        Broken, // a frame element without ">" or without a src with "=" after it
    };

    explicit FrameScanner(std::u16string_view page)
        : m_page(page)
    {
    }
    Next next(std::u16string& source);
    bool foundAny() const { return m_found; }

private:
    std::u16string_view m_page;
    std::size_t m_start = 0;
    bool m_found = false;
};

// The record of the frame page a source names: the frameset's folder followed by the source,
// under the frameset's root; for a frameset picked on its own, the source under the frameset's
// folder as root. Nothing for a source on another site.
std::optional<FileRecord> FramePageRecord(const FileRecord& frameset, std::u16string_view source);

// The attribute value written in text[first, end): quoted or bare, blanks trimmed.
std::u16string ReadAttributeValue(std::size_t first, std::size_t end, std::u16string_view text);

enum class HeadMeta
{
    ImageToolbar = 0,
    Expires = 1,
};

// Puts the meta element of kind right after the head start tag, unless the page has one.
void InsertHeadMeta(std::u16string& page, HeadMeta kind);

} // namespace quorlane::core
