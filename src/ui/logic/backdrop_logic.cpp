#include "ui/logic/backdrop_logic.h"

namespace backdrop {

const uint8_t dissolveOrder[kDissolveCell][kDissolveCell] = {
    {44, 16, 24, 36, 46, 18, 26, 38}, {48, 0, 8, 56, 50, 2, 10, 58},
    {28, 32, 40, 20, 30, 34, 42, 22}, {12, 60, 52, 4, 14, 62, 54, 6},
    {47, 19, 27, 39, 45, 17, 25, 37}, {51, 3, 11, 59, 49, 1, 9, 57},
    {31, 35, 43, 23, 29, 33, 41, 21}, {15, 63, 55, 7, 13, 61, 53, 5},
};

// 255 * 32767 fits easily in 32 bits, so the exact integer form serves; the
// exe then needs no floating point at all.
int BandTop(int band, int height) {
    return band * height / kBandCount;
}

int BandTopByFactor(int band, int height) {
    const float kStep = 1.0f / 255.0f;
    volatile float factor = static_cast<float>(height) * kStep;  // stored as a float
    // The product is taken wider than a float, as the x87 does; in single
    // precision four edges would come out one row short.
    return static_cast<int>(static_cast<double>(band) * factor);
}

int BandBlue(int band) {
    return 255 - band;
}

int DissolvePass(int x, int y) {
    return dissolveOrder[y % kDissolveCell][x % kDissolveCell];
}

int BoxesOverlap(const Box& a, const Box& b) {
    int left = a.left > b.left ? a.left : b.left;
    int right = a.right < b.right ? a.right : b.right;
    int top = a.top > b.top ? a.top : b.top;
    int bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    return left < right && top < bottom;
}

Box UpperPlacement() {
    return Box{20, 10, 320, 60};
}

Box LowerPlacement(int height) {
    return Box{20, height - 60, 600, height - 10};
}

int PicturesToPaint(const Box& update, int32_t oem, int height) {
    int pictures = 0;
    if (BoxesOverlap(UpperPlacement(), update)) {
        pictures |= kUpperPicture;
    }
    if (oem == 0 && BoxesOverlap(LowerPlacement(height), update)) {
        pictures |= kLowerPicture;
    }
    return pictures;
}

}  // namespace backdrop
