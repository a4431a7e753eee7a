#pragma once

#include <algorithm>
#include <cstdint>

// Sharp bilinear is the picture scaled up by the largest whole factor, then
// filtered linearly to the window; here in its limit, where each window pixel
// takes the source pixels under it in proportion to the area it covers of
// them. Window pixel x spans [x, x + 1) and source pixel i spans
// [i * dest / source, (i + 1) * dest / source); with dest >= source at most
// one boundary between source pixels falls inside a window pixel, so it shows
// source pixel x * source / dest (the nearest pixel scaling's choice) mixed
// with the next one by the part of it past that boundary, in 128ths. Every
// source pixel so covers the same area, and at whole factors no boundary
// falls inside a window pixel: nothing is mixed. A shrunk picture keeps the
// nearest pixels.
// Fills index and weights for the n window pixels from first on, of a window
// dest pixels long showing a source of source pixels.
inline void SharpBilinearMap(int dest, int source, int first, int n, int* index,
                             std::uint16_t* weights) {
  for (int k = 0; k < n; ++k) {
    const std::int64_t x = first + k;
    int i = static_cast<int>(std::min<std::int64_t>(source - 1, x * source / dest));
    int weight = 0;
    // In 1 / source of a window pixel.
    const std::int64_t past = (x + 1) * source - std::int64_t{i + 1} * dest;
    if (dest > source && past > 0) {
      weight = static_cast<int>((past * 128 + source / 2) / source);
      if (weight == 128) {
        ++i;
        weight = 0;
      }
    }
    index[k] = i;
    weights[k] = static_cast<std::uint16_t>(weight);
  }
}
