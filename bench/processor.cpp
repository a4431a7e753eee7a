// Names the processor the figures of bench/run come from and what of it the
// drawing uses, so that figures from different machines are never confused.
#include <cstdio>
#include <string>

#include "gfx/simd_x86.h"

int main() {
  const TProcessor& p = ThisProcessor();
  std::string offered;
  for (const auto& [has, name] :
       {std::pair{p.Sse2, "SSE2"}, std::pair{p.Avx2, "AVX2"}, std::pair{p.Avx512, "AVX-512"},
        std::pair{p.Erms, "ERMS"}, std::pair{p.Fsrm, "FSRM"}})
    if (has) offered += std::string(offered.empty() ? "" : " ") + name;
  std::printf("processor: %s (%s, family %d, model %d), offers %s, last-level cache %zu MiB\n",
              p.Brand.empty() ? "unknown" : p.Brand.c_str(), p.Vendor.c_str(), p.Family, p.Model,
              offered.empty() ? "nothing known" : offered.c_str(), p.CacheBytes >> 20);
  std::printf("vector extensions used: %s kernels\n", SimdLevelName(BestSimdLevel()));
  return 0;
}
