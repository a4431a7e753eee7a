#pragma once

#include <cstdint>
#include <vector>

// Scales an RGBA picture (bytes in memory order, alpha opaque) to the window
// the page shows it in, in device pixels, "sharp bilinear" (see
// gfx/sharp_bilinear.h): every picture pixel gets the same size on the
// screen, give or take one window pixel mixed with its neighbour, and whole
// factors are the nearest pixel's, exactly. Only the part of the window that
// a changed rectangle of the picture reaches is drawn again.
class PictureScaler {
 public:
  // Right and bottom exclusive.
  struct Rect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Empty() const { return Right <= Left || Bottom <= Top; }
  };

  // The window's size; a new one is laid out at the next Scale, drawn whole.
  void SetWindow(int width, int height);
  int WindowWidth() const { return windowWidth_; }
  int WindowHeight() const { return windowHeight_; }

  // Draws the window pixels that show the changed rectangle of the picture
  // (width x height, rows of width pixels) and returns them; the rest of the
  // window keeps what it held. After a new window size or picture size, the
  // whole window is drawn, whatever the rectangle.
  Rect Scale(const std::uint32_t* picture, int width, int height, Rect changed);
  const std::uint32_t* Window() const { return window_.data(); }

 private:
  void Layout(int width, int height);
  const std::uint32_t* WideRow(const std::uint32_t* picture, int width, int row, int from, int to);

  int windowWidth_ = 0, windowHeight_ = 0;
  int layoutWidth_ = 0, layoutHeight_ = 0;    // the picture laid out for
  int laidForWidth_ = 0, laidForHeight_ = 0;  // the window laid out for
  std::vector<std::uint32_t> window_;
  // For each window column its picture column and that column's share of the
  // next one, in 128ths; the same for rows.
  std::vector<int> columns_, rows_;
  std::vector<std::uint16_t> columnWeights_, rowWeights_;
  // For each picture column the share of the next one in the window column
  // that mixes them (0 where none does).
  std::vector<std::uint16_t> sourceWeights_;
  bool columnsMixed_ = false;
  // For each window column its pixel in a paired row: picture pixel i at
  // 2 i, mixed with the next at 2 i + 1.
  std::vector<int> pairColumns_;
  std::vector<std::uint32_t> paired_;
  // Picture rows as the window shows them across, row r in wide_[r & 1].
  std::vector<std::uint32_t> wide_[2];
  int wideRow_[2] = {-1, -1};
};
