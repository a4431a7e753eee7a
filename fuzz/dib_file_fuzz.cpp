// A bitmap file read over a picture that must survive any failure unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TDIB dib;
  dib.SetSize(3, 2, 8);
  dib.SetPixels(2, 1, 7);
  TBytesStream stream(data, size);
  try {
    dib.LoadFromStream(stream);
  } catch (const Exception&) {
    if (dib.Width() != 3 || dib.Height() != 2 || dib.Pixels(2, 1) != 7) std::abort();
    return 0;
  }
  Exercise(dib, true);
  return 0;
}
