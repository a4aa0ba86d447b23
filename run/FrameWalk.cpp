#include "run/FrameWalk.h"

#include <vector>

#include "core/PageTransformer.h"

namespace quorlane::run {

namespace {

struct OpenPage
{
    core::FileRecord record;
    core::FrameScanner frames;
    bool framesFailed = false;
};

} // namespace

void WalkFrames(const core::FileRecord& listed, FrameVisitor& visitor)
{
    using Begun = FrameVisitor::Begun;
    std::vector<OpenPage> open;
    std::u16string_view text;
    if (visitor.begin(listed, true, text) != Begun::Page) {
        return;
    }
    open.push_back({listed, core::FrameScanner(text)});
    while (!open.empty()) {
        OpenPage& top = open.back();
        std::u16string source;
        const core::FrameScanner::Next next =
            top.framesFailed ? core::FrameScanner::Next::End : top.frames.next(source);
        if (next == core::FrameScanner::Next::Frame) {
            const std::optional<core::FileRecord> frame = core::FramePageRecord(top.record, source);
            if (!frame || !visitor.frameInside(*frame)) {
                continue;
            }
            text = {};
            const Begun begun = visitor.begin(*frame, false, text);
            if (begun == Begun::Unread) {
                top.framesFailed = true;
            } else if (begun == Begun::Page) {
                open.push_back({*frame, core::FrameScanner(text)}); // top is gone from here
            }
            continue;
        }
        if (next == core::FrameScanner::Next::Broken) {
            top.framesFailed = true;
        }
        const bool framesHandled = top.frames.foundAny() && !top.framesFailed;
        open.pop_back();
        visitor.finish(framesHandled);
    }
}

} // namespace quorlane::run
