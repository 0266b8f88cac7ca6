// The product's identity as the plug-in and the tools show it, from the
// build's one version.
#pragma once

#include "base/ProductIdentity.h"

constexpr const char* kProductName = VELMORA_PRODUCT_NAME;
constexpr const char* kProductVersion = VELMORA_VERSION;
// The main dialog's title: the name, two blanks, "v" and the version.
constexpr const char* kDialogTitle = VELMORA_PRODUCT_NAME "  v" VELMORA_VERSION;
// The About box's version line: two blanks before the release date.
constexpr const char* kAboutVersionLine = "Version " VELMORA_VERSION "  (" VELMORA_RELEASE_DATE ")";
