// The picture data stream as a stored form carries it: class name, then the bitmap.
#include <cstddef>
#include <cstdint>

#include "fuzz/exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TPicture picture;
  TBytesStream stream(data, size);
  try {
    picture.ReadData(stream);
  } catch (const Exception&) {
    return 0;
  }
  if (picture.Graphic()) Exercise(*picture.Graphic(), false);
  return 0;
}
