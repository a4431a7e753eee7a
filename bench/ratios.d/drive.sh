# Sourced by bench/run: the driving frame and the car step natively (x87 and
# the portable extended type) and as WebAssembly under Node.js.
if command -v em++ >/dev/null && command -v node >/dev/null; then
  cmake --build build/release --target drive_timing drive_timing_soft >/dev/null
  bash scripts/build wasm >/dev/null
  cmake --build --preset wasm --target drive_timing >/dev/null
  python3 bench/drive_ratios.py build/release/bench/drive/drive_timing \
    build/release/bench/drive/drive_timing_soft build/wasm/bench/drive/drive_timing.js \
    "${BENCH_DRIVE_ROUNDS:-7}"
fi
