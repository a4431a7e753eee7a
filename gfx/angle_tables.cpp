#include "gfx/angle_tables.h"

#include <algorithm>
#include <iterator>

double CosTable[256];

namespace {

// The cosines of i / 256 x 2 x pi for i = 0..255, as the x87 computed them:
// the argument built in extended precision in that order (i / 256, times 2,
// times pi), cosl, the result stored to double. They are kept as the exact
// doubles so that no platform's C library decides them: binary128 or 64-bit
// long double arithmetic and another cosl give other last bits. The quarter
// turns keep the tiny non-zero cosines of the rounded argument.
// clang-format off
constexpr double X87Cosines[256] = {
    0x1p+0, 0x1.ffd886084cd0dp-1, 0x1.ff621e3796d7ep-1, 0x1.fe9cdad01883ap-1,
    0x1.fd88da3d12526p-1, 0x1.fc26470e19fd3p-1, 0x1.fa7557f08a517p-1, 0x1.f8764fa714ba9p-1,
    0x1.f6297cff75cbp-1, 0x1.f38f3ac64e589p-1, 0x1.f0a7efb9230d7p-1, 0x1.ed740e7684963p-1,
    0x1.e9f4156c62ddap-1, 0x1.e6288ec48e112p-1, 0x1.e212104f686e5p-1, 0x1.ddb13b6ccc23cp-1,
    0x1.d906bcf328d46p-1, 0x1.d4134d14dc93ap-1, 0x1.ced7af43cc773p-1, 0x1.c954b213411f5p-1,
    0x1.c38b2f180bdb1p-1, 0x1.bd7c0ac6f952ap-1, 0x1.b728345196e3ep-1, 0x1.b090a581502p-1,
    0x1.a9b66290ea1a3p-1, 0x1.a29a7a0462782p-1, 0x1.9b3e047f38741p-1, 0x1.93a22499263fbp-1,
    0x1.8bc806b151741p-1, 0x1.83b0e0bff976ep-1, 0x1.7b5df226aafafp-1, 0x1.72d0837efff96p-1,
    0x1.6a09e667f3bcdp-1, 0x1.610b7551d2cdfp-1, 0x1.57d69348cecap-1, 0x1.4e6cabbe3e5e9p-1,
    0x1.44cf325091dd6p-1, 0x1.3affa292050b9p-1, 0x1.30ff7fce17035p-1, 0x1.26d054cdd12dfp-1,
    0x1.1c73b39ae68c8p-1, 0x1.11eb3541b4b23p-1, 0x1.073879922ffeep-1, 0x1.f8ba4dbf89abap-2,
    0x1.e2b5d3806f63bp-2, 0x1.cc66e9931c45ep-2, 0x1.b5d1009e15ccp-2, 0x1.9ef7943a8ed8ap-2,
    0x1.87de2a6aea963p-2, 0x1.7088530fa459fp-2, 0x1.58f9a75ab1fddp-2, 0x1.4135c94176601p-2,
    0x1.294062ed59f06p-2, 0x1.111d262b1f677p-2, 0x1.f19f97b215f1bp-3, 0x1.c0b826a7e4f63p-3,
    0x1.8f8b83c69a60bp-3, 0x1.5e214448b3fc6p-3, 0x1.2c8106e8e613ap-3, 0x1.f564e56a9730ep-4,
    0x1.917a6bc29b42cp-4, 0x1.2d52092ce19f6p-4, 0x1.91f65f10dd814p-5, 0x1.92155f7a3667ep-6,
    -0x1.d9cceba3f91f2p-66, -0x1.92155f7a3667ep-6, -0x1.91f65f10dd814p-5, -0x1.2d52092ce19f6p-4,
    -0x1.917a6bc29b42cp-4, -0x1.f564e56a9730ep-4, -0x1.2c8106e8e613ap-3, -0x1.5e214448b3fc6p-3,
    -0x1.8f8b83c69a60bp-3, -0x1.c0b826a7e4f63p-3, -0x1.f19f97b215f1bp-3, -0x1.111d262b1f677p-2,
    -0x1.294062ed59f06p-2, -0x1.4135c94176601p-2, -0x1.58f9a75ab1fddp-2, -0x1.7088530fa459fp-2,
    -0x1.87de2a6aea963p-2, -0x1.9ef7943a8ed8ap-2, -0x1.b5d1009e15ccp-2, -0x1.cc66e9931c45ep-2,
    -0x1.e2b5d3806f63bp-2, -0x1.f8ba4dbf89abap-2, -0x1.073879922ffeep-1, -0x1.11eb3541b4b23p-1,
    -0x1.1c73b39ae68c8p-1, -0x1.26d054cdd12dfp-1, -0x1.30ff7fce17035p-1, -0x1.3affa292050b9p-1,
    -0x1.44cf325091dd6p-1, -0x1.4e6cabbe3e5e9p-1, -0x1.57d69348cecap-1, -0x1.610b7551d2cdfp-1,
    -0x1.6a09e667f3bcdp-1, -0x1.72d0837efff96p-1, -0x1.7b5df226aafafp-1, -0x1.83b0e0bff976ep-1,
    -0x1.8bc806b151741p-1, -0x1.93a22499263fbp-1, -0x1.9b3e047f38741p-1, -0x1.a29a7a0462782p-1,
    -0x1.a9b66290ea1a3p-1, -0x1.b090a581502p-1, -0x1.b728345196e3ep-1, -0x1.bd7c0ac6f952ap-1,
    -0x1.c38b2f180bdb1p-1, -0x1.c954b213411f5p-1, -0x1.ced7af43cc773p-1, -0x1.d4134d14dc93ap-1,
    -0x1.d906bcf328d46p-1, -0x1.ddb13b6ccc23cp-1, -0x1.e212104f686e5p-1, -0x1.e6288ec48e112p-1,
    -0x1.e9f4156c62ddap-1, -0x1.ed740e7684963p-1, -0x1.f0a7efb9230d7p-1, -0x1.f38f3ac64e589p-1,
    -0x1.f6297cff75cbp-1, -0x1.f8764fa714ba9p-1, -0x1.fa7557f08a517p-1, -0x1.fc26470e19fd3p-1,
    -0x1.fd88da3d12526p-1, -0x1.fe9cdad01883ap-1, -0x1.ff621e3796d7ep-1, -0x1.ffd886084cd0dp-1,
    -0x1p+0, -0x1.ffd886084cd0dp-1, -0x1.ff621e3796d7ep-1, -0x1.fe9cdad01883ap-1,
    -0x1.fd88da3d12526p-1, -0x1.fc26470e19fd3p-1, -0x1.fa7557f08a517p-1, -0x1.f8764fa714ba9p-1,
    -0x1.f6297cff75cbp-1, -0x1.f38f3ac64e589p-1, -0x1.f0a7efb9230d7p-1, -0x1.ed740e7684963p-1,
    -0x1.e9f4156c62ddap-1, -0x1.e6288ec48e112p-1, -0x1.e212104f686e5p-1, -0x1.ddb13b6ccc23cp-1,
    -0x1.d906bcf328d46p-1, -0x1.d4134d14dc93ap-1, -0x1.ced7af43cc773p-1, -0x1.c954b213411f5p-1,
    -0x1.c38b2f180bdb1p-1, -0x1.bd7c0ac6f952ap-1, -0x1.b728345196e3ep-1, -0x1.b090a581502p-1,
    -0x1.a9b66290ea1a3p-1, -0x1.a29a7a0462782p-1, -0x1.9b3e047f38741p-1, -0x1.93a22499263fbp-1,
    -0x1.8bc806b151741p-1, -0x1.83b0e0bff976ep-1, -0x1.7b5df226aafafp-1, -0x1.72d0837efff96p-1,
    -0x1.6a09e667f3bcdp-1, -0x1.610b7551d2cdfp-1, -0x1.57d69348cecap-1, -0x1.4e6cabbe3e5e9p-1,
    -0x1.44cf325091dd6p-1, -0x1.3affa292050b9p-1, -0x1.30ff7fce17035p-1, -0x1.26d054cdd12dfp-1,
    -0x1.1c73b39ae68c8p-1, -0x1.11eb3541b4b23p-1, -0x1.073879922ffeep-1, -0x1.f8ba4dbf89abap-2,
    -0x1.e2b5d3806f63bp-2, -0x1.cc66e9931c45ep-2, -0x1.b5d1009e15ccp-2, -0x1.9ef7943a8ed8ap-2,
    -0x1.87de2a6aea963p-2, -0x1.7088530fa459fp-2, -0x1.58f9a75ab1fddp-2, -0x1.4135c94176601p-2,
    -0x1.294062ed59f06p-2, -0x1.111d262b1f677p-2, -0x1.f19f97b215f1bp-3, -0x1.c0b826a7e4f63p-3,
    -0x1.8f8b83c69a60bp-3, -0x1.5e214448b3fc6p-3, -0x1.2c8106e8e613ap-3, -0x1.f564e56a9730ep-4,
    -0x1.917a6bc29b42cp-4, -0x1.2d52092ce19f6p-4, -0x1.91f65f10dd814p-5, -0x1.92155f7a3667ep-6,
    0x1.b1acd85d7d6bbp-63, 0x1.92155f7a3667ep-6, 0x1.91f65f10dd814p-5, 0x1.2d52092ce19f6p-4,
    0x1.917a6bc29b42cp-4, 0x1.f564e56a9730ep-4, 0x1.2c8106e8e613ap-3, 0x1.5e214448b3fc6p-3,
    0x1.8f8b83c69a60bp-3, 0x1.c0b826a7e4f63p-3, 0x1.f19f97b215f1bp-3, 0x1.111d262b1f677p-2,
    0x1.294062ed59f06p-2, 0x1.4135c94176601p-2, 0x1.58f9a75ab1fddp-2, 0x1.7088530fa459fp-2,
    0x1.87de2a6aea963p-2, 0x1.9ef7943a8ed8ap-2, 0x1.b5d1009e15ccp-2, 0x1.cc66e9931c45ep-2,
    0x1.e2b5d3806f63bp-2, 0x1.f8ba4dbf89abap-2, 0x1.073879922ffeep-1, 0x1.11eb3541b4b23p-1,
    0x1.1c73b39ae68c8p-1, 0x1.26d054cdd12dfp-1, 0x1.30ff7fce17035p-1, 0x1.3affa292050b9p-1,
    0x1.44cf325091dd6p-1, 0x1.4e6cabbe3e5e9p-1, 0x1.57d69348cecap-1, 0x1.610b7551d2cdfp-1,
    0x1.6a09e667f3bcdp-1, 0x1.72d0837efff96p-1, 0x1.7b5df226aafafp-1, 0x1.83b0e0bff976ep-1,
    0x1.8bc806b151741p-1, 0x1.93a22499263fbp-1, 0x1.9b3e047f38741p-1, 0x1.a29a7a0462782p-1,
    0x1.a9b66290ea1a3p-1, 0x1.b090a581502p-1, 0x1.b728345196e3ep-1, 0x1.bd7c0ac6f952ap-1,
    0x1.c38b2f180bdb1p-1, 0x1.c954b213411f5p-1, 0x1.ced7af43cc773p-1, 0x1.d4134d14dc93ap-1,
    0x1.d906bcf328d46p-1, 0x1.ddb13b6ccc23cp-1, 0x1.e212104f686e5p-1, 0x1.e6288ec48e112p-1,
    0x1.e9f4156c62ddap-1, 0x1.ed740e7684963p-1, 0x1.f0a7efb9230d7p-1, 0x1.f38f3ac64e589p-1,
    0x1.f6297cff75cbp-1, 0x1.f8764fa714ba9p-1, 0x1.fa7557f08a517p-1, 0x1.fc26470e19fd3p-1,
    0x1.fd88da3d12526p-1, 0x1.fe9cdad01883ap-1, 0x1.ff621e3796d7ep-1, 0x1.ffd886084cd0dp-1
};
// clang-format on

}  // namespace

void InitCosTable() {
  std::copy(std::begin(X87Cosines), std::end(X87Cosines), CosTable);
}

namespace {
// The table must be ready before any window (or test) uses it.
const bool cosTableReady = (InitCosTable(), true);
}  // namespace
