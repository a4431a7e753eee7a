# Picture copies and rotated drawing (sourced by bench/run). Each benchmark
# runs for at least half a second, which its name records.
blit="$out/bench_gfx_blit.json"
rotate="$out/bench_gfx_rotate.json"
ratio "$blit" BM_OpaqueTile/min_time:0.500 BM_MemcpyTile/min_time:0.500 "opaque 64x64 copy vs memcpy of its rows"
ratio "$blit" BM_OpaqueSheet/min_time:0.500 BM_MemcpySheet/min_time:0.500 "opaque 512x512 copy vs memcpy of its rows"
ratio "$blit" BM_KeyedTile/min_time:0.500 BM_SdlKeyedTile/min_time:0.500 "keyed 64x64 copy vs SDL_BlitSurface"
ratio "$blit" BM_KeyedTile/min_time:0.500 BM_SdlKeyedTileRle/min_time:0.500 "keyed 64x64 copy vs SDL_BlitSurface with RLE"
ratio "$blit" BM_KeyedSheet/min_time:0.500 BM_SdlKeyedSheet/min_time:0.500 "keyed 512x512 copy vs SDL_BlitSurface"
ratio "$blit" BM_KeyedSheet/min_time:0.500 BM_SdlKeyedSheetRle/min_time:0.500 "keyed 512x512 copy vs SDL_BlitSurface with RLE"
ratio "$rotate" BM_DrawRotateCar/min_time:0.500 BM_QPainterRotateCar/min_time:0.500 "rotated car vs QPainter drawImage"
ratio "$rotate" BM_DrawRotateCar/min_time:0.500 BM_SdlRenderCopyExCar/min_time:0.500 "rotated car vs SDL_RenderCopyEx"
