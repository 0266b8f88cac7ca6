// The two controls' value rules, free of Win32: what an edit-box change or a
// trackbar request does to the parameter record, and what must be written
// back into the edit box. The parameter record is the single source of truth.
#pragma once

#include <cstdint>

// Trackbar requests, as the trackbar sends them in the low word of wParam.
enum TrackbarRequest : int {
    kTbLineUp = 0, kTbLineDown = 1, kTbPageUp = 2, kTbPageDown = 3, kTbThumbPosition = 4,
    kTbThumbTrack = 5, kTbTop = 6, kTbBottom = 7, kTbEndTrack = 8,
};

struct EditOutcome {
    float value;       // the new amount or vibrance
    bool rewrite;      // the edit box must be rewritten ...
    int rewriteText;   // ... with this number
};

// An edit box's text: a whole number (spaces around it and a sign allowed),
// a number not finished yet (empty, or a sign alone), or anything else.
struct TypedText {
    enum Kind { Number, Unfinished, NotNumber } kind;
    long long number;  // for Number: the value (at most 10 digits are read)
};
TypedText readTypedText(const char* text);

// A number typed into the Shadow Brightness box, clamped to 0..20; the box is
// rewritten with the clamped value when it was out of range.
EditOutcome amountFromEdit(long long typed);
// A number typed into the Color Intensity box: typed + 2, clamped to 0..4 (shown as -2..+2).
EditOutcome vibranceFromEdit(long long typed);
// What a change of the box's text does: a number as above; an unfinished one
// stands for 0 and the text stays; any other text leaves the value as it was
// (`amount`, `vibrance`) and the box shows it again.
EditOutcome amountFromText(const char* text, float amount);
EditOutcome vibranceFromText(const char* text, float vibrance);

// The value a trackbar request leaves, clamped to 0..20 (amount) or 0..4 (vibrance).
float amountFromTrackbar(int request, int thumb, float amount);
float vibranceFromTrackbar(int request, int thumb, float vibrance);

// What the edit boxes show for record values (truncated toward zero).
int amountShown(float amount);
int vibranceShown(float vibrance);

// The help document's folder as read from the registry: valid when the read
// succeeded, the type is a string type and the stored bytes end as it requires.
bool helpValueValid(bool readOk, uint32_t type, const uint8_t* bytes, uint32_t storedBytes);
