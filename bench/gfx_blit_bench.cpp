// Fills and picture copies onto a 640 x 480 5-6-5 back buffer, each next to a
// reference in its best case, in the same run:
// - the fill against memset of the same bytes;
// - the opaque copy against memcpy of the same rows;
// - the colour-keyed copy of 64 x 64 patterns against SDL2's SDL_BlitSurface,
//   each pattern held in an SDL surface of its own (as an SDL program holds a
//   sprite), with RLE acceleration and without. Three sets of patterns: the
//   64 of the track picture (56 fully opaque), the panel frame's (mostly
//   see-through) and a synthetic sheet of round blobs (about half see-through).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "bench/gfx_bench_pictures.h"
#include "gfx/dib.h"
#include "gfx/stream.h"
#include "gfx/surface.h"

namespace {

using namespace bench_pictures;

constexpr int kTile = 64;

// One set of 64 x 64 patterns cut from a sheet, and where each is drawn: a
// grid that keeps every copy inside the back buffer, so neither side clips.
struct PatternSet {
  TDirectDraw dd;
  TDirectDrawSurface back{&dd};
  TDirectDrawSurface sheet{&dd};
  std::vector<TRect> rects;
  std::vector<SDL_Surface*> sdlTiles[2];  // [rle]
  SDL_Surface* sdlBack = nullptr;

  PatternSet() { back.SetSize(640, 480); }
  ~PatternSet() {
    for (auto& tiles : sdlTiles)
      for (SDL_Surface* t : tiles) SDL_FreeSurface(t);
    if (sdlBack) SDL_FreeSurface(sdlBack);
  }

  static int X(std::size_t i) { return static_cast<int>(i % 9) * kTile; }
  static int Y(std::size_t i) { return static_cast<int>(i / 9 % 7) * kTile; }

  // Each pattern copied into an SDL surface of its own size, keyed like ours.
  void MakeSdl() {
    sdlBack = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    for (int rle = 0; rle < 2; ++rle)
      for (const TRect& r : rects) {
        SDL_Surface* t =
            SDL_CreateRGBSurfaceWithFormat(0, r.Width(), r.Height(), 16, SDL_PIXELFORMAT_RGB565);
        for (int y = 0; y < r.Height(); ++y)
          std::memcpy(static_cast<std::uint8_t*>(t->pixels) + y * t->pitch,
                      sheet.Bits() + (r.Top + y) * sheet.Pitch() + 2 * r.Left, 2 * r.Width());
        SDL_SetColorKey(t, SDL_TRUE, sheet.ColorKey());
        SDL_SetSurfaceBlendMode(t, SDL_BLENDMODE_NONE);
        SDL_SetSurfaceRLE(t, rle);
        // The first blit encodes the runs; it is not part of what is timed.
        SDL_Rect dst{0, 0, r.Width(), r.Height()};
        SDL_BlitSurface(t, nullptr, sdlBack, &dst);
        sdlTiles[rle].push_back(t);
      }
  }
};

TDIB LoadBitmap(const char* name) {
  std::ifstream file(std::string(VELNAR_SOURCE_DIR "/assets/pictures/") + name, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), {});
  TBytesStream stream(bytes.data(), bytes.size());
  TDIB dib;
  dib.LoadFromStream(stream);
  return dib;
}

PatternSet& Synthetic() {
  static PatternSet* set = [] {
    auto* s = new PatternSet;
    s->sheet.SetSize(512, 512);
    Paint(s->sheet, SheetPixel);
    for (int y = 0; y < 512; y += kTile)
      for (int x = 0; x < 512; x += kTile) s->rects.push_back(Rect(x, y, x + kTile, y + kTile));
    s->MakeSdl();
    return s;
  }();
  return *set;
}

// The track picture as the program loads it: 8 x 8 patterns keyed on fuchsia.
PatternSet& Track(bool frameOnly) {
  const auto make = [](bool frame) {
    auto* s = new PatternSet;
    s->sheet.LoadFromGraphic(LoadBitmap("03-Droga.bmp"));
    s->sheet.SetTransparentColor(s->sheet.ColorMatch(0xFF00FF));
    // The patterns the panel frame is drawn from.
    const int framePatterns[] = {55, 56, 57, 58, 59, 23, 31, 39, 47};
    const int columns = s->sheet.Width() / kTile;
    const auto add = [&](int p) {
      const int x = p % columns * kTile, y = p / columns * kTile;
      s->rects.push_back(Rect(x, y, x + kTile, y + kTile));
    };
    if (frame)
      for (int p : framePatterns) add(p);
    else
      for (int p = 0; p < columns * (s->sheet.Height() / kTile); ++p) add(p);
    s->MakeSdl();
    return s;
  };
  static PatternSet* track = make(false);
  static PatternSet* frame = make(true);
  return frameOnly ? *frame : *track;
}

void Ours(benchmark::State& state, PatternSet& s) {
  for (auto _ : state) {
    for (std::size_t i = 0; i < s.rects.size(); ++i)
      s.back.Draw(PatternSet::X(i), PatternSet::Y(i), s.rects[i], &s.sheet, true);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(s.rects.size()));
}

void Sdl(benchmark::State& state, PatternSet& s, bool rle) {
  const std::vector<SDL_Surface*>& tiles = s.sdlTiles[rle ? 1 : 0];
  for (auto _ : state) {
    for (std::size_t i = 0; i < tiles.size(); ++i) {
      SDL_Rect dst{PatternSet::X(i), PatternSet::Y(i), tiles[i]->w, tiles[i]->h};
      SDL_BlitSurface(tiles[i], nullptr, s.sdlBack, &dst);
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(tiles.size()));
}

void BM_KeyedTrack(benchmark::State& state) {
  Ours(state, Track(false));
}
void BM_SdlKeyedTrack(benchmark::State& state) {
  Sdl(state, Track(false), false);
}
void BM_SdlKeyedTrackRle(benchmark::State& state) {
  Sdl(state, Track(false), true);
}
void BM_KeyedFrame(benchmark::State& state) {
  Ours(state, Track(true));
}
void BM_SdlKeyedFrame(benchmark::State& state) {
  Sdl(state, Track(true), false);
}
void BM_SdlKeyedFrameRle(benchmark::State& state) {
  Sdl(state, Track(true), true);
}
void BM_KeyedSynthetic(benchmark::State& state) {
  Ours(state, Synthetic());
}
void BM_SdlKeyedSynthetic(benchmark::State& state) {
  Sdl(state, Synthetic(), false);
}
void BM_SdlKeyedSyntheticRle(benchmark::State& state) {
  Sdl(state, Synthetic(), true);
}
BENCHMARK(BM_KeyedTrack);
BENCHMARK(BM_SdlKeyedTrack);
BENCHMARK(BM_SdlKeyedTrackRle);
BENCHMARK(BM_KeyedFrame);
BENCHMARK(BM_SdlKeyedFrame);
BENCHMARK(BM_SdlKeyedFrameRle);
BENCHMARK(BM_KeyedSynthetic);
BENCHMARK(BM_SdlKeyedSynthetic);
BENCHMARK(BM_SdlKeyedSyntheticRle);

// The reference copies each row with a call to the C library's memcpy, as a
// copy of any rectangle has to; the width is hidden from the optimiser so the
// rows are not turned into fixed-size moves that no general copy could use.
void CopyRows(PatternSet& s, int srcX, int srcY, int dstX, int dstY, int w, int h) {
  benchmark::DoNotOptimize(w);
  const std::uint8_t* src = s.sheet.Bits() + srcY * s.sheet.Pitch() + 2 * srcX;
  auto* dst = const_cast<std::uint8_t*>(s.back.Bits()) + dstY * s.back.Pitch() + 2 * dstX;
  for (int y = 0; y < h; ++y)
    std::memcpy(dst + y * s.back.Pitch(), src + y * s.sheet.Pitch(), 2 * w);
}

void BM_OpaqueTile(benchmark::State& state) {
  PatternSet& s = Synthetic();
  const TRect tile = Rect(64, 64, 128, 128);
  for (auto _ : state) {
    s.back.Draw(200, 200, tile, &s.sheet, false);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OpaqueTile);

void BM_MemcpyTile(benchmark::State& state) {
  PatternSet& s = Synthetic();
  for (auto _ : state) {
    CopyRows(s, 64, 64, 200, 200, 64, 64);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyTile);

void BM_OpaqueSheet(benchmark::State& state) {
  PatternSet& s = Synthetic();
  for (auto _ : state) {
    s.back.Draw(64, 0, s.sheet.ClientRect(), &s.sheet, false);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OpaqueSheet);

void BM_MemcpySheet(benchmark::State& state) {
  PatternSet& s = Synthetic();
  for (auto _ : state) {
    CopyRows(s, 0, 0, 64, 0, 512, 480);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpySheet);

// The back buffer cleared as each frame does, in black and in a colour whose
// two bytes differ (no memset can do that one).
void Fill(benchmark::State& state, std::uint32_t value) {
  PatternSet& s = Synthetic();
  for (auto _ : state) {
    s.back.Fill(value);
    benchmark::ClobberMemory();
  }
}
void BM_FillBlack(benchmark::State& state) {
  Fill(state, 0);
}
void BM_FillColour(benchmark::State& state) {
  Fill(state, 0x1A2B);
}
BENCHMARK(BM_FillBlack);
BENCHMARK(BM_FillColour);

void BM_MemsetBackBuffer(benchmark::State& state) {
  PatternSet& s = Synthetic();
  auto* bits = const_cast<std::uint8_t*>(s.back.Bits());
  const std::size_t bytes = static_cast<std::size_t>(s.back.Pitch()) * s.back.Height();
  for (auto _ : state) {
    std::memset(bits, 0, bytes);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemsetBackBuffer);

}  // namespace

BENCHMARK_MAIN();
