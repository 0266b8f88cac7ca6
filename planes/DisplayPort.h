// The pixel port the dialog's preview reads through for a deep image: the
// preview shows 8-bit pictures, so the host's 16-bit pixels become bytes
// where they enter it, and the preview's own arithmetic is the 8-bit one.
// Pixel requests go to the port beneath; a 16-bit view comes back as a packed
// 8-bit copy of the planes asked for, each sample h as round(h * 255 / 32768)
// (halves up), in a block of the run's working memory kept until the next
// request. Masks, tiles, abort and progress pass through unchanged.
#pragma once

#include "planes/PixelPort.h"
#include "planes/RenderInputs.h"

class EightBitPort final : public PixelPort {
public:
    EightBitPort() = default;
    EightBitPort(const EightBitPort&) = delete;
    EightBitPort& operator=(const EightBitPort&) = delete;
    // Reads through `below` from now on, its blocks from `memory`. A block
    // kept from before is forgotten, not released: it belongs to an earlier
    // run's memory, released with that run.
    void attach(PixelPort* below, WorkMemory memory);
    // Releases the block it keeps, if any.
    void release();

    int16_t readPlanes(const Rect& r, int lo, int hi, int32_t rate, PlaneView* pixels) override;
    int16_t readMask(const Rect& r, int32_t rate, PlaneView* mask) override { return below_->readMask(r, rate, mask); }
    int16_t openTile(const Rect& r, int lo, int hi, PlaneView* in, MutablePlaneView* out) override {
        return below_->openTile(r, lo, hi, in, out);
    }
    int16_t closeTiles() override { return below_->closeTiles(); }
    bool aborted() override { return below_->aborted(); }
    void progress(int32_t done, int32_t total) override { below_->progress(done, total); }

private:
    PixelPort* below_ = nullptr;
    WorkMemory memory_ = {};
    uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
};
