// The two user controls, declared once: each one's range and initial value in
// the parameter record, its trackbar steps, the offset between the stored and
// the shown value, its label and its scripting key, and its name and
// description as a property of the GEGL operation. The dialog and its model,
// the scripting descriptors, the command-line tool and the GEGL operation all
// read this table.
#pragma once
#include <cstdint>

struct ControlSpec {
    const char* label;       // as the dialog and the tool name it
    float low, high;         // the range of the stored value
    float initial;           // the stored value of a fresh run
    int line, page, ticks;   // trackbar: arrow-key step, page step, tick spacing
    float shownOffset;       // shown value = stored value - shownOffset
    uint32_t descriptorKey;  // scripting key, first character most significant
    const char* name;        // property name: lower case, no spaces
    const char* description; // one sentence for the user, in the help page's words
};

// Shadow Brightness: stored in `amount` as shown, 0..20.
constexpr ControlSpec kShadowBrightness = {"Shadow Brightness", 0.0f, 20.0f, 10.0f, 1, 5, 2, 0.0f,
                                           0x416D6E74 /* 'Amnt' */, "brightness",
                                           "How strongly the shadows are lifted. Higher values brighten the dark "
                                           "parts more; 0 leaves them almost untouched."};
// Color Intensity: shown as -2..+2, stored in `vibrance` plus 2 (0..4).
constexpr ControlSpec kColorIntensity = {"Color Intensity", 0.0f, 4.0f, 2.0f, 1, 1, 1, 2.0f,
                                         0x436C7220 /* 'Clr ' */, "color",
                                         "Lowers or raises the saturation of the colours recovered from the "
                                         "shadows."};

// The values as the user sees them.
constexpr double shownLow(const ControlSpec& c) { return double(c.low - c.shownOffset); }
constexpr double shownHigh(const ControlSpec& c) { return double(c.high - c.shownOffset); }
constexpr double shownInitial(const ControlSpec& c) { return double(c.initial - c.shownOffset); }
// The stored value of a value as shown, as a replayed setting stores it; a
// control shown as stored keeps the value bit for bit (-0 included).
constexpr float storedValue(const ControlSpec& c, double shown) {
    return c.shownOffset == 0 ? float(shown) : float(shown + double(c.shownOffset));
}

constexpr uint32_t keyAmount = kShadowBrightness.descriptorKey;
constexpr uint32_t keyVibrance = kColorIntensity.descriptorKey;
