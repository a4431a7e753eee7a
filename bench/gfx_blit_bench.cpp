// Opaque and colour-keyed picture copies onto a 640 x 480 5-6-5 back buffer.
// References in the same run: memcpy of the same rows for the opaque copies,
// SDL2's SDL_BlitSurface with a colour key (without and with RLE acceleration)
// for the keyed ones.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/gfx_bench_pictures.h"
#include "gfx/surface.h"

namespace {

using namespace bench_pictures;

struct Ours {
  TDirectDraw dd;
  TDirectDrawSurface back{&dd};
  TDirectDrawSurface sheet{&dd};
  Ours() {
    back.SetSize(640, 480);
    sheet.SetSize(512, 512);
    Paint(sheet, SheetPixel);
  }
};

struct Sdl {
  SDL_Surface* back;
  SDL_Surface* sheet;
  explicit Sdl(bool rle) {
    back = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
    sheet = SDL_CreateRGBSurfaceWithFormat(0, 512, 512, 16, SDL_PIXELFORMAT_RGB565);
    for (int y = 0; y < 512; ++y)
      for (int x = 0; x < 512; ++x)
        reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(sheet->pixels) +
                                         y * sheet->pitch)[x] = SheetPixel(x, y);
    SDL_SetColorKey(sheet, SDL_TRUE, kKey);
    SDL_SetSurfaceRLE(sheet, rle ? 1 : 0);
    SDL_SetSurfaceBlendMode(sheet, SDL_BLENDMODE_NONE);
  }
  ~Sdl() {
    SDL_FreeSurface(sheet);
    SDL_FreeSurface(back);
  }
};

// The tile at (64, 64) of the sheet, drawn at (200, 200); the whole sheet at (64, 0).
const TRect kTile = Rect(64, 64, 128, 128);

// The reference copies each row with a call to the C library's memcpy, as a
// copy of any rectangle has to; the width is hidden from the optimiser so the
// rows are not turned into fixed-size moves that no general copy could use.
void CopyRows(Ours& o, int srcX, int srcY, int dstX, int dstY, int w, int h) {
  benchmark::DoNotOptimize(w);
  const std::uint8_t* src = o.sheet.Bits() + srcY * o.sheet.Pitch() + 2 * srcX;
  auto* dst = const_cast<std::uint8_t*>(o.back.Bits()) + dstY * o.back.Pitch() + 2 * dstX;
  for (int y = 0; y < h; ++y)
    std::memcpy(dst + y * o.back.Pitch(), src + y * o.sheet.Pitch(), 2 * w);
}

void BM_OpaqueTile(benchmark::State& state) {
  Ours o;
  for (auto _ : state) {
    o.back.Draw(200, 200, kTile, &o.sheet, false);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OpaqueTile)->MinTime(0.5);

void BM_MemcpyTile(benchmark::State& state) {
  Ours o;
  for (auto _ : state) {
    CopyRows(o, 64, 64, 200, 200, 64, 64);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpyTile)->MinTime(0.5);

void BM_OpaqueSheet(benchmark::State& state) {
  Ours o;
  for (auto _ : state) {
    o.back.Draw(64, 0, o.sheet.ClientRect(), &o.sheet, false);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OpaqueSheet)->MinTime(0.5);

void BM_MemcpySheet(benchmark::State& state) {
  Ours o;
  for (auto _ : state) {
    CopyRows(o, 0, 0, 64, 0, 512, 480);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MemcpySheet)->MinTime(0.5);

void BM_KeyedTile(benchmark::State& state) {
  Ours o;
  for (auto _ : state) {
    o.back.Draw(200, 200, kTile, &o.sheet, true);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_KeyedTile)->MinTime(0.5);

void BM_KeyedSheet(benchmark::State& state) {
  Ours o;
  for (auto _ : state) {
    o.back.Draw(64, 0, o.sheet.ClientRect(), &o.sheet, true);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_KeyedSheet)->MinTime(0.5);

void SdlTile(benchmark::State& state, bool rle) {
  Sdl s(rle);
  for (auto _ : state) {
    SDL_Rect src{64, 64, 64, 64};
    SDL_Rect dst{200, 200, 64, 64};
    SDL_BlitSurface(s.sheet, &src, s.back, &dst);
    benchmark::ClobberMemory();
  }
}
void SdlSheet(benchmark::State& state, bool rle) {
  Sdl s(rle);
  for (auto _ : state) {
    SDL_Rect dst{64, 0, 512, 512};
    SDL_BlitSurface(s.sheet, nullptr, s.back, &dst);
    benchmark::ClobberMemory();
  }
}
void BM_SdlKeyedTile(benchmark::State& state) {
  SdlTile(state, false);
}
void BM_SdlKeyedTileRle(benchmark::State& state) {
  SdlTile(state, true);
}
void BM_SdlKeyedSheet(benchmark::State& state) {
  SdlSheet(state, false);
}
void BM_SdlKeyedSheetRle(benchmark::State& state) {
  SdlSheet(state, true);
}
BENCHMARK(BM_SdlKeyedTile)->MinTime(0.5);
BENCHMARK(BM_SdlKeyedTileRle)->MinTime(0.5);
BENCHMARK(BM_SdlKeyedSheet)->MinTime(0.5);
BENCHMARK(BM_SdlKeyedSheetRle)->MinTime(0.5);

}  // namespace

BENCHMARK_MAIN();
