// The two user controls, declared once: ranges, defaults and descriptor keys.
// The dialog, the scripting descriptors and the command-line tool all read them.
#pragma once
#include <cstdint>

#include "base/HostInterface.h"

// Shadow Brightness: stored in `amount` as shown.
constexpr float kAmountMin = 0.0f;
constexpr float kAmountMax = 20.0f;
constexpr float kAmountDefault = 10.0f;
constexpr DescriptorKeyID keyAmount = fourCC('A', 'm', 'n', 't');

// Color Intensity: shown as -2..+2, stored in `vibrance` plus 2 (0..4).
constexpr float kVibranceMin = 0.0f;
constexpr float kVibranceMax = 4.0f;
constexpr float kVibranceDefault = 2.0f;
constexpr float kVibranceOffset = 2.0f;
constexpr DescriptorKeyID keyVibrance = fourCC('C', 'l', 'r', ' ');

// Registry key of the last settings; also the scope string of the terminology.
constexpr const char* settingsRegistryKey = "{011c2e9b-a11b-4c53-bb70-6f7b9f288f09}";

constexpr const char* kErrorCaption = "VELMORA Plug-In - ERROR";
constexpr const char* kInternalErrorCaption = "VELMORA Plug-In - Internal ERROR";

// The run's own error messages.
constexpr const char* kMessageScreenTooSmall = "Display resolution must at least be 800x600";
constexpr const char* kMessageImageTooSmall =
    "Image must be at least 350x350 pixels.  Please use your imaging application to increase the image size.";
constexpr const char* kMessageNotThreeChannels =
    "This plug-in needs three channels. Do you have a blank or adjustment layer selected?";
