// The controls' value rules: typed values and text clamped or answered,
// trackbar requests, the values shown when the dialog opens, and the help
// folder's registry value checks.
#include <gtest/gtest.h>

#include "ui/model/DialogValues.h"

TEST(DialogValues, TypedValuesAreClamped) {
    EditOutcome a = amountFromEdit(25);
    EXPECT_EQ(a.value, 20.0f);
    EXPECT_TRUE(a.rewrite);
    EXPECT_EQ(a.rewriteText, 20);
    a = amountFromEdit(65535);  // far beyond the range: clamped as it stands, and shown
    EXPECT_EQ(a.value, 20.0f);
    EXPECT_TRUE(a.rewrite);
    EXPECT_EQ(a.rewriteText, 20);
    a = amountFromEdit(0);  // text that is not a number reads as 0 and is not rewritten
    EXPECT_EQ(a.value, 0.0f);
    EXPECT_FALSE(a.rewrite);

    EditOutcome v = vibranceFromEdit(3);
    EXPECT_EQ(v.value, 4.0f);
    EXPECT_TRUE(v.rewrite);
    EXPECT_EQ(v.rewriteText, 2);
    v = vibranceFromEdit(65534);  // beyond the range: +2 shown, whatever 16 bits would make of it
    EXPECT_EQ(v.value, 4.0f);
    EXPECT_TRUE(v.rewrite);
    EXPECT_EQ(v.rewriteText, 2);
    v = vibranceFromEdit(-5);
    EXPECT_EQ(v.value, 0.0f);
    EXPECT_EQ(v.rewriteText, -2);
    EXPECT_EQ(vibranceFromEdit(0).value, 2.0f);
}

// What the text of a box does: a typed minus counts, half-typed text waits,
// anything else is answered with the value it left.
TEST(DialogValues, TypedText) {
    EXPECT_EQ(vibranceFromText("-1", 2.0f).value, 1.0f);
    EXPECT_FALSE(vibranceFromText("-1", 2.0f).rewrite);
    EXPECT_EQ(vibranceFromText(" +2 ", 0.0f).value, 4.0f);
    EditOutcome unfinished = vibranceFromText("-", 3.0f);
    EXPECT_EQ(unfinished.value, 2.0f);
    EXPECT_FALSE(unfinished.rewrite);
    EXPECT_EQ(amountFromText("", 7.0f).value, 0.0f);
    for (const char* junk : {"x", "1a", "--1", "1 2", "twelve"}) {
        EditOutcome o = amountFromText(junk, 7.0f);
        EXPECT_EQ(o.value, 7.0f) << junk;
        EXPECT_TRUE(o.rewrite) << junk;
        EXPECT_EQ(o.rewriteText, 7) << junk;
    }
    EXPECT_EQ(vibranceFromText("abc", 1.0f).rewriteText, -1);
    EditOutcome huge = vibranceFromText("-99999999999999999999", 3.0f);
    EXPECT_EQ(huge.value, 0.0f);
    EXPECT_EQ(huge.rewriteText, -2);
}

TEST(DialogValues, TrackbarRequests) {
    EXPECT_EQ(amountFromTrackbar(kTbPageDown, 0, 10.0f), 15.0f);
    EXPECT_EQ(amountFromTrackbar(kTbPageUp, 0, 3.0f), 0.0f);
    EXPECT_EQ(amountFromTrackbar(kTbLineDown, 0, 20.0f), 20.0f);
    EXPECT_EQ(amountFromTrackbar(kTbBottom, 0, 3.0f), 20.0f);
    EXPECT_EQ(amountFromTrackbar(kTbTop, 0, 13.0f), 0.0f);
    EXPECT_EQ(amountFromTrackbar(kTbThumbTrack, 7, 13.0f), 7.0f);
    EXPECT_EQ(amountFromTrackbar(kTbEndTrack, 7, 13.0f), 13.0f);
    EXPECT_EQ(vibranceFromTrackbar(kTbPageDown, 0, 2.0f), 3.0f);
    EXPECT_EQ(vibranceFromTrackbar(kTbBottom, 0, 0.0f), 4.0f);
    EXPECT_EQ(vibranceFromTrackbar(kTbThumbPosition, 9, 0.0f), 4.0f);
}

TEST(DialogValues, OpeningShowsTruncatedValues) {
    // amount 7.6 and vibrance 1.5 show as 7 and 0, and the edit handling then stores 7 and 2.
    EXPECT_EQ(amountShown(7.6f), 7);
    EXPECT_EQ(vibranceShown(1.5f), 0);
    EXPECT_EQ(amountFromEdit(amountShown(7.6f)).value, 7.0f);
    EXPECT_EQ(vibranceFromEdit(vibranceShown(1.5f)).value, 2.0f);
}

TEST(DialogValues, HelpFolderValue) {
    const uint8_t folder[] = {'C', ':', '\\', 0};
    const uint8_t unterminated[] = {'C', ':', '\\'};
    const uint8_t multi[] = {'C', 0, 0};
    EXPECT_TRUE(helpValueValid(true, 1, folder, 4));
    EXPECT_TRUE(helpValueValid(true, 2, folder, 4));
    EXPECT_FALSE(helpValueValid(true, 1, unterminated, 3));
    EXPECT_TRUE(helpValueValid(true, 7, multi, 3));
    EXPECT_FALSE(helpValueValid(true, 7, folder, 1));
    EXPECT_FALSE(helpValueValid(true, 4, folder, 4));  // REG_DWORD
    EXPECT_FALSE(helpValueValid(false, 1, folder, 4));  // missing value
}
