#include "ui/model/DialogValues.h"

#include "engine/Controls.h"

namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegMultiSz = 7;

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

// A typed value: the shown number plus the control's offset, clamped to the
// control's range (a number far beyond it is clamped as it stands).
EditOutcome fromEdit(const ControlSpec& c, long long typed) {
    const long long low = (long long)(c.low - c.shownOffset), high = (long long)(c.high - c.shownOffset);
    if (typed > high) return {c.high, true, int(high)};
    if (typed < low) return {c.low, true, int(low)};
    return {float(typed) + c.shownOffset, false, 0};
}

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// What an edit box's text does to its control's value.
EditOutcome fromText(const ControlSpec& c, const char* text, float current) {
    TypedText typed = readTypedText(text);
    switch (typed.kind) {
        case TypedText::Number: return fromEdit(c, typed.number);
        // Half typed: the value the empty box has always stood for, and the
        // text stays for the user to finish.
        case TypedText::Unfinished: return fromEdit(c, 0);
        case TypedText::NotNumber: break;
    }
    // Letters or pasted text: the value stays, and the box shows it again.
    return {current, true, int(current - c.shownOffset)};
}

}  // namespace

TypedText readTypedText(const char* text) {
    const char* p = text;
    while (isSpace(*p)) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    long long value = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p, ++digits)
        if (value < 1000000000LL) value = value * 10 + (*p - '0');  // beyond that, clamping decides alike
    while (isSpace(*p)) ++p;
    if (*p != 0) return {TypedText::NotNumber, 0};
    if (digits == 0) return {TypedText::Unfinished, 0};
    return {TypedText::Number, negative ? -value : value};
}

EditOutcome amountFromEdit(long long typed) { return fromEdit(kShadowBrightness, typed); }
EditOutcome vibranceFromEdit(long long typed) { return fromEdit(kColorIntensity, typed); }
EditOutcome amountFromText(const char* text, float amount) { return fromText(kShadowBrightness, text, amount); }
EditOutcome vibranceFromText(const char* text, float vibrance) { return fromText(kColorIntensity, text, vibrance); }

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
