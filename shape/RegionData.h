#pragma once
// Window outlines as banded rectangle lists, built from a key colour, and their file form.
#include <QImage>
#include <QRegion>
#include <cstdint>
#include <string>
#include <vector>

namespace shape {

// Edges like the platform's region data: right and bottom exclusive.
struct RegionRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const RegionRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const RegionRect& o) const { return !(*this == o); }
};

// A stretch of key-colour pixels in one row: its row and first and last columns (inclusive).
struct Run {
  int y = 0;
  int first = 0;
  int last = 0;
  bool operator==(const Run& o) const { return y == o.y && first == o.first && last == o.last; }
};

// True when the pixel of an RGB32/ARGB32 image has the key's red, green and blue.
inline bool IsKeyPixel(QRgb pixel, QRgb key) { return ((pixel ^ key) & 0x00FFFFFFu) == 0; }

// The run decomposition, position by position: (width + 1) x (height + 1) positions, where the
// last column and row lie outside the picture and never match, so a run ends in its own row.
std::vector<Run> ScanRuns(const QImage& image, QRgb key);

// base minus every key-colour pixel of image, as optimally banded y-x rectangles (bands sorted
// by top, rectangles of a band sorted by left, never touching; identical neighbouring rows
// merged). Equal to subtracting the runs of ScanRuns one by one from base, without doing so.
std::vector<RegionRect> BuildRegionRects(const QImage& image, QRgb key, const RegionRect& base);

// Any non-overlapping y-x banded list made optimal: touching rectangles of a band joined,
// neighbouring bands with the same stretches merged.
std::vector<RegionRect> Canonicalize(const std::vector<RegionRect>& rects);

// Conversions; the list given to ToQRegion must be optimally banded.
QRegion ToQRegion(const std::vector<RegionRect>& rects);
std::vector<RegionRect> FromQRegion(const QRegion& region);

// The bounding rectangle, all zero for no rectangle (as the platform reports it).
RegionRect BoundsOf(const std::vector<RegionRect>& rects);

// The region data bytes, written and never read back: a 32-byte header (size 32, type 1, count,
// 16 x count, bounds), then the rectangles, every number a little-endian 32-bit integer.
// Persisted: never change.
std::string EncodeRegionData(const std::vector<RegionRect>& rects);

}  // namespace shape
