// Controls of the headless stand-in, for tests of native builds.
#pragma once

// The screen size the stand-in reports (1920 x 1080 until changed).
void setHeadlessScreenSize(int width, int height);
