#include "ui/model/DialogValues.h"

#include "engine/Controls.h"

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegMultiSz = 7;

EditOutcome clampEdited(float value, const ControlSpec& c) {
    if (value > c.high) return {c.high, true, int(c.high - c.shownOffset)};
    if (value < c.low) return {c.low, true, int(c.low - c.shownOffset)};
    return {value, false, 0};
}

float stepped(int request, int thumb, float value, const ControlSpec& c) {
    switch (request) {
        case kTbLineUp: value -= float(c.line); break;
        case kTbLineDown: value += float(c.line); break;
        case kTbPageUp: value -= float(c.page); break;
        case kTbPageDown: value += float(c.page); break;
        case kTbThumbPosition:
        case kTbThumbTrack: value = float(thumb); break;
        case kTbTop: value = c.low; break;
        case kTbBottom: value = c.high; break;
        default: break;
    }
    return value > c.high ? c.high : (value < c.low ? c.low : value);
}

// A typed value: the shown number plus the control's offset, narrowed to 16 bits.
EditOutcome fromEdit(const ControlSpec& c, int typed) {
    return clampEdited(float(int16_t(typed + int(c.shownOffset))), c);
}

}  // namespace

EditOutcome amountFromEdit(int typed) { return fromEdit(kShadowBrightness, typed); }
EditOutcome vibranceFromEdit(int typed) { return fromEdit(kColorIntensity, typed); }

float amountFromTrackbar(int request, int thumb, float amount) { return stepped(request, thumb, amount, kShadowBrightness); }
float vibranceFromTrackbar(int request, int thumb, float vibrance) {
    return stepped(request, thumb, vibrance, kColorIntensity);
}

int amountShown(float amount) { return int(amount - kShadowBrightness.shownOffset); }
int vibranceShown(float vibrance) { return int(vibrance - kColorIntensity.shownOffset); }

bool helpValueValid(bool readOk, uint32_t type, const uint8_t* bytes, uint32_t storedBytes) {
    if (!readOk) return false;
    if (type == kRegSz || type == kRegExpandSz) return storedBytes >= 1 && bytes[storedBytes - 1] == 0;
    if (type == kRegMultiSz) return storedBytes >= 2 && bytes[storedBytes - 1] == 0 && bytes[storedBytes - 2] == 0;
    return false;
}
