// Geometry of the backdrop that does not need a window: the gradient's band
// edges and colours, the dissolve order, and which banners a paint redraws.
#pragma once

#include <stdint.h>

namespace backdrop {

const int kBandCount = 255;  // bands 0..254; blue 255 down to 1, never black
const int kDissolvePasses = 64;
const int kDissolveCell = 8;  // the order repeats every 8 x 8 pixels

// The order in which the pixels of one 8 x 8 cell are put down: entry
// [y % 8][x % 8] is the pass that draws pixel (x, y) of a picture.
extern const uint8_t dissolveOrder[kDissolveCell][kDissolveCell];

// First row of band i on a screen h rows high: floor(i * h / 255). Band i
// covers rows BandTop(i, h) up to, not including, BandTop(i + 1, h).
int BandTop(int band, int height);
// The same edge by the single-precision factor h * (1/255), truncated; kept
// to show the two forms agree.
int BandTopByFactor(int band, int height);
// Blue component of band i: 255 - i.
int BandBlue(int band);

// The pass in which picture pixel (x, y) is drawn (x, y >= 0).
int DissolvePass(int x, int y);

struct Box {  // left/top inside, right/bottom outside, like a RECT
    int left;
    int top;
    int right;
    int bottom;
};

// Overlap as IntersectRect reports it: a non-empty common area.
int BoxesOverlap(const Box& a, const Box& b);

// Placement rectangles of the two banners. Only their left/top place the
// picture; the rest serves the overlap test and is not the pictures' size.
Box UpperPlacement();
Box LowerPlacement(int height);

const int kUpperPicture = 1;  // bit of PicturesToPaint
const int kLowerPicture = 2;

// Which banners a paint with update rectangle `update` draws: the upper one
// when its placement overlaps, the lower one likewise and only when oem is 0.
int PicturesToPaint(const Box& update, int32_t oem, int height);

}  // namespace backdrop
