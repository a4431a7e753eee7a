# The run's recording on a driving frame; goal: within noise of the frame without it.
ratio "$out/bench_recording.json" BM_DrivingFrameRecorded BM_ReferenceDrivingFrame "driving frame recorded vs not"
ratio "$out/bench_recording.json" BM_DrivingFramePathShownAfterAnHour BM_ReferenceDrivingFrame "driving frame with an hour's path on the minimap vs none"
