#include "ui/model/DialogValues.h"

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegMultiSz = 7;

EditOutcome clampEdited(float value, float high, int shownLow, int shownHigh) {
    if (value > high) return {high, true, shownHigh};
    if (value < 0.0f) return {0.0f, true, shownLow};
    return {value, false, 0};
}

float stepped(int request, int thumb, float value, float page, float high) {
    switch (request) {
        case kTbLineUp: value -= 1.0f; break;
        case kTbLineDown: value += 1.0f; break;
        case kTbPageUp: value -= page; break;
        case kTbPageDown: value += page; break;
        case kTbThumbPosition:
        case kTbThumbTrack: value = float(thumb); break;
        case kTbTop: value = 0.0f; break;
        case kTbBottom: value = high; break;
        default: break;
    }
    return value > high ? high : (value < 0.0f ? 0.0f : value);
}

}  // namespace

EditOutcome amountFromEdit(int typed) { return clampEdited(float(int16_t(typed)), 20.0f, 0, 20); }

EditOutcome vibranceFromEdit(int typed) { return clampEdited(float(int16_t(typed + 2)), 4.0f, -2, 2); }

float amountFromTrackbar(int request, int thumb, float amount) { return stepped(request, thumb, amount, 5.0f, 20.0f); }

float vibranceFromTrackbar(int request, int thumb, float vibrance) {
    return stepped(request, thumb, vibrance, 1.0f, 4.0f);
}

int amountShown(float amount) { return int(amount); }
int vibranceShown(float vibrance) { return int(vibrance - 2.0f); }

bool helpValueValid(bool readOk, uint32_t type, const uint8_t* bytes, uint32_t storedBytes) {
    if (!readOk) return false;
    if (type == kRegSz || type == kRegExpandSz) return storedBytes >= 1 && bytes[storedBytes - 1] == 0;
    if (type == kRegMultiSz) return storedBytes >= 2 && bytes[storedBytes - 1] == 0 && bytes[storedBytes - 2] == 0;
    return false;
}
