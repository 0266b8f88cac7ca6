// The number of smoothed pyramid levels from the size of the filtered area:
// one more level for every factor of 16 in area, 5 at 3000 x 2000.
#pragma once

// width and height of the filter rectangle at full resolution; at least 1.
float estimateLevelCount(int width, int height);
