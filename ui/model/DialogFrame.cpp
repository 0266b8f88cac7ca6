#include "ui/model/DialogFrame.h"

namespace {

constexpr int kLatencyGoalMs = 150;
constexpr int kShortestDelayMs = 20;
constexpr int kFirstDelayMs = 60;
// What the paint adds to the recomputation (the 100 % render of a large
// pane, the drawing) and what the system takes to deliver input and paints.
constexpr int kPaintAllowanceMs = 70;

int larger(int a, int b) { return a > b ? a : b; }
int smaller(int a, int b) { return a < b ? a : b; }

}  // namespace

FrameSize openingSize(const SavedSize& saved, FrameSize minimum, FrameSize work) {
    bool sound = saved.read && saved.typed && saved.width >= minimum.width && saved.height >= minimum.height &&
                 saved.width <= work.width && saved.height <= work.height;
    if (sound) return {int(saved.width), int(saved.height)};
    FrameSize size = {work.width * 4 / 5, work.height * 4 / 5};
    return {larger(size.width, minimum.width), larger(size.height, minimum.height)};
}

Rect anchoredRect(const Rect& r, Anchor anchor, int dx, int dy) {
    dx = larger(dx, 0), dy = larger(dy, 0);
    int moveX = 0, moveY = 0, growX = 0, growY = 0;
    switch (anchor) {
        case Anchor::Stay: break;
        case Anchor::Grow: growX = dx, growY = dy; break;
        case Anchor::Right: moveX = dx; break;
        case Anchor::Down: moveY = dy; break;
        case Anchor::RightDown: moveX = dx, moveY = dy; break;
        case Anchor::HalfRight: moveX = dx / 2; break;
    }
    return {int16_t(smaller(r.top + moveY, 32767)), int16_t(smaller(r.left + moveX, 32767)),
            int16_t(smaller(r.bottom + moveY + growY, 32767)), int16_t(smaller(r.right + moveX + growX, 32767))};
}

unsigned recomputeDelayMs(int lastRecomputeMs) {
    if (lastRecomputeMs < 0) return kFirstDelayMs;
    return unsigned(larger(kLatencyGoalMs - kPaintAllowanceMs - lastRecomputeMs, kShortestDelayMs));
}
