// The texts the plug-in shows the user: message box captions and messages,
// exactly as the user reads them.
#pragma once

constexpr const char* kErrorCaption = "VELMORA Plug-In - ERROR";
constexpr const char* kInternalErrorCaption = "VELMORA Plug-In - Internal ERROR";

// The run's checks.
constexpr const char* kMessageScreenTooSmall = "Display resolution must at least be 800x600";
constexpr const char* kMessageImageTooSmall =
    "Image must be at least 350x350 pixels.  Please use your imaging application to increase the image size.";
constexpr const char* kMessageNotThreeChannels =
    "This plug-in needs three channels. Do you have a blank or adjustment layer selected?";
constexpr const char* kMessageUnsupportedDepth = "This plug-in filters RGB images of 8 or 16 bits per channel.";
// The masks have one brightness everywhere, so there is nothing to adjust.
constexpr const char* kMessageAreaTooSmall =
    "The area to filter is too small. Please select at least 4 x 4 pixels.";
constexpr const char* kMessageNothingToReveal =
    "The area to filter has the same brightness everywhere, so there are no shadows to reveal.";

// The preview's internal errors.
constexpr const char* kMessageMasksMissing = "Internal Error #1";
constexpr const char* kMessageAdjustmentFailed = "Internal Error #2";

// The 32-bit plug-in on a processor it cannot run on.
constexpr const char* kMessageNoSse2 = "This plug-in needs a processor with SSE2; this one does not have it.";

// The dialogs.
// The dialog's size and the screen's, in pixels (printf arguments: width,
// height, screen width, screen height).
constexpr const char* kMessageDialogTooLarge =
    "The VELMORA dialog needs %d x %d pixels at the text size set for this screen, but the screen has %d x %d. "
    "Choose a smaller text size (display scaling) or a higher screen resolution in the display settings, "
    "then run the filter again.";
constexpr const char* kMessageNoAboutBox = "Could not display About window";
constexpr const char* kMessageNoHelpLocation =
    "Help location could not be determined.\n\n"
    "The help page, VelmoraHelp.htm, is in the Help folder of the Velmora archive; the installer puts it in "
    "C:\\Program Files\\Velmora\\Help\\. To register it, name its folder, ending with a backslash, in the "
    "string value HelpFile of the registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\TARVIC\\MLX Plug-Ins\\VLM\\10 "
    "(see INSTALL-other-hosts.txt), or run the installer again.";
constexpr const char* kMessageHelpNotOpened = "Help could not be opened";
