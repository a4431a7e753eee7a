# Fills, picture copies and rotated drawing (sourced by bench/run).
blit="$out/bench_gfx_blit.json"
rotate="$out/bench_gfx_rotate.json"
ratio "$blit" BM_FillBlack BM_MemsetBackBuffer "fill 640x480x16 black vs memset" 1.1
ratio "$blit" BM_FillColour BM_MemsetBackBuffer "fill 640x480x16 in a colour vs memset" 1.1
ratio "$blit" BM_OpaqueTile BM_MemcpyTile "opaque 64x64 copy vs memcpy of its rows" 1.1
ratio "$blit" BM_OpaqueSheet BM_MemcpySheet "opaque 512x480 copy vs memcpy of its rows"
for set in Track Frame Synthetic; do
  name=$(echo "$set" | tr '[:upper:]' '[:lower:]')
  ratio "$blit" "BM_Keyed$set" "BM_SdlKeyed${set}Rle" \
    "keyed 64x64 copies ($name patterns) vs SDL_BlitSurface with RLE" 1.0
  ratio "$blit" "BM_Keyed$set" "BM_SdlKeyed$set" \
    "keyed 64x64 copies ($name patterns) vs SDL_BlitSurface without RLE" 0.2
done
ratio "$rotate" BM_DrawRotateCar BM_QPainterRotateCar "rotated car vs QPainter drawImage" 0.4
ratio "$rotate" BM_DrawRotateCarAvx2 BM_QPainterRotateCar \
  "rotated car, AVX2 kernels as without AVX-512, vs QPainter drawImage" 0.4
ratio "$rotate" BM_DrawRotateCar BM_SdlRenderCopyExCar "rotated car vs SDL_RenderCopyEx" 0.3
