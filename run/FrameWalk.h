#pragma once

#include <string_view>

#include "core/FileRecord.h"

namespace quorlane::run {

// What a walk through a page and its frame pages asks of the one who takes them on.
class FrameVisitor
{
public:
    enum class Begun
    {
        Page,   // read: frame elements are looked for in the text given
        Left,   // left alone (handled already, no page, protected already)
        Unread, // could not be read
    };
    virtual ~FrameVisitor() = default;
    // Begins the page of record (listed: a page of the list, not a frame page). For Page, text
    // is what frame elements are looked for in; it must stand until the page is finished.
    virtual Begun begin(const core::FileRecord& record, bool listed, std::u16string_view& text) = 0;
    // Whether a frame page lies where the run may take it on.
    virtual bool frameInside(const core::FileRecord& frame) = 0;
    // Finishes the page begun last of those not finished. framesHandled: every frame element
    // of it named a page that was taken on or left alone, so that it stays as it stands.
    virtual void finish(bool framesHandled) = 0;
};

// Takes on a listed page and its frame pages by the run's one rule: each frame page
// completely, its own frames first, before its frameset goes on; a frame outside the site is
// passed over; a frame that cannot be read, or a frame element that is broken, ends the frame
// handling of its frameset, which is then finished as an ordinary page. The pages wait on a
// stack of their own rather than in nested calls, so that no chain of frames, however deep, can
// exhaust the program's stack.
void WalkFrames(const core::FileRecord& listed, FrameVisitor& visitor);

} // namespace quorlane::run
