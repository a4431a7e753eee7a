# The whole frame against one 640 x 480 x 2 copy (sourced by bench/run).
frame="$out/bench_frame.json"
ratio "$frame" BM_FrameDriving BM_ReferenceCopyOfOneFrame \
  "frame with the car driving vs one back-buffer memcpy" 5
ratio "$frame" BM_FrameParked BM_ReferenceCopyOfOneFrame "frame with the car parked vs one back-buffer memcpy"
