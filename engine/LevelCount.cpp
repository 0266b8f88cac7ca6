#include "engine/LevelCount.h"

#include <cmath>

namespace {

const float referenceWidth = 3000.0f;
const float referenceHeight = 2000.0f;

// Filled on the first call and kept for the life of the module.
double ln2 = 0.0;
float offset = 0.0f;

}  // namespace

float estimateLevelCount(int width, int height) {
    if (offset == 0.0f) {
        ln2 = std::log(2.0);
        float area = referenceHeight * referenceWidth;  // exactly 6,000,000
        offset = float(std::log(std::pow(double(area), 0.25)) / ln2 - 5.0);
    }
    long long area = (long long)width * height;  // at most 32767 * 32767 from the host
    float d = float(std::log(std::pow(double(area), 0.25)) / ln2 - double(offset));
    return d >= 1.0f ? d : 1.0f;
}
