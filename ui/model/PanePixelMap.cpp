#include "ui/model/PanePixelMap.h"

int32_t displayImageMode(int16_t hostImageMode) {
    switch (hostImageMode) {
        case 10: return 1;   // grey 16 -> grey
        case 11: return 3;   // RGB 48 -> RGB
        case 12: return 9;   // Lab 48 -> Lab
        case 13: return 4;   // CMYK 64 -> CMYK
        case 14: return 7;   // multichannel 16 -> multichannel
        case 15: return 8;   // duotone 16 -> duotone
        default: return hostImageMode;
    }
}

void buildPanePixelMap(const PaneState& pane, int16_t hostImageMode, bool haveMask, PSPixelMap* map,
                       PSPixelMask* mask) {
    *map = {};
    map->version = 1;
    map->bounds = {0, 0, paneShownHeight(pane), paneShownWidth(pane)};
    map->imageMode = displayImageMode(hostImageMode);
    map->rowBytes = int32_t(paneShownWidth(pane)) * 3;
    map->colBytes = 3;
    map->planeBytes = 1;
    map->baseAddr = pane.rgbBuffer;
    map->maskPhaseRow = 1;
    map->maskPhaseCol = 1;
    if (!haveMask) return;
    *mask = {};
    mask->maskData = pane.maskBuffer;
    mask->rowBytes = pane.bufferWidth;
    mask->colBytes = 1;
    mask->maskDescription = 0;
    map->masks = mask;
}
