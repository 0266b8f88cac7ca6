#include "planes/DisplayPort.h"

#include "base/HostInterface.h"

namespace {

// A 16-bit host sample (0..32768) as the byte the preview shows: h * 255 / 32768 to nearest, halves up.
uint8_t displayByte(uint16_t h) { return uint8_t((uint32_t(h) * 255 + 16384) >> 15); }

}  // namespace

void EightBitPort::attach(PixelPort* below, WorkMemory memory) {
    below_ = below;
    memory_ = memory;
    bytes_ = nullptr;
    size_ = 0;
}

void EightBitPort::release() {
    if (bytes_ != nullptr) memory_.release(bytes_);
    bytes_ = nullptr;
    size_ = 0;
}

int16_t EightBitPort::readPlanes(const Rect& r, int lo, int hi, int32_t rate, PlaneView* pixels) {
    if (int16_t code = below_->readPlanes(r, lo, hi, rate, pixels)) return code;
    if (pixels->sampleBytes != 2) return noErr;
    const int planes = hi - lo + 1;
    const size_t bytes = size_t(pixels->width) * size_t(pixels->height) * size_t(planes) + 1;
    if (bytes > size_) {
        release();
        bytes_ = static_cast<uint8_t*>(memory_.allocate(bytes));
        if (bytes_ == nullptr) return memFullErr;  // the allocator has recorded the failure
        size_ = bytes;
    }
    const ptrdiff_t step = pixels->colBytes / 2;
    for (int row = 0; row < pixels->height; ++row) {
        const uint16_t* src = reinterpret_cast<const uint16_t*>(pixels->data + ptrdiff_t(row) * pixels->rowBytes);
        uint8_t* dst = bytes_ + ptrdiff_t(row) * pixels->width * planes;
        for (int col = 0; col < pixels->width; ++col)
            for (int p = 0; p < planes; ++p) dst[col * planes + p] = displayByte(src[col * step + p]);
    }
    *pixels = {bytes_, ptrdiff_t(pixels->width) * planes, planes, pixels->width, pixels->height, 1};
    return noErr;
}
