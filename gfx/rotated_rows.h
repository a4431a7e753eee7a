#pragma once

// The spans of a rotated drawing, row by row, for the kernels that draw them.
// A destination row y of the bounding box starts at column MinX with source
// coordinates (u, v) in 16.16 fixed point; each pixel to the right adds
// (DU, DV), each row down adds (-DUY, DVY). A row's span is the run of
// pixels whose coordinates lie inside the source rectangle, cut at the
// destination's right edge. Its bounds are quotients whose numerators move
// by fixed steps from row to row, so each is carried from the row above with
// its remainder and no row divides. Header-only: every kernel inlines the
// row loop into its own, whatever the instruction set it is compiled for.

#include <algorithm>
#include <cstdint>

// A floor quotient a div d (d > 0) and its remainder (a = q d + r,
// 0 <= r < d) whose numerator grows by the same step each row.
struct TSteppedQuotient {
  std::int64_t Q = 0, R = 0;

  static TSteppedQuotient Of(std::int64_t a, std::int64_t d) {
    TSteppedQuotient s;
    s.Q = a / d;
    s.R = a - s.Q * d;
    if (s.R < 0) {
      --s.Q;
      s.R += d;
    }
    return s;
  }
  // Without a branch: the carry follows the remainders' pattern, which a
  // predictor would miss on every few rows.
  [[gnu::always_inline]] void Step(const TSteppedQuotient& step, std::int64_t d) {
    R += step.R;
    const std::int64_t carry = R >= d;
    R -= d & -carry;
    Q += step.Q + carry;
  }
};

// One source coordinate's bounds along the rows. Along a row, pixel k is
// inside for skip <= k < end, where for a step D > 0 along the row
//   skip = max(0, ceil((low - c) / D)) and end = floor((high - c) / D)
// (mirrored when D < 0), c being the row's first coordinate. Both are floor
// quotients of numerators linear in the row. A row that starts at or past
// the near edge has a skip quotient of at most 0, so a row's skip is the
// largest of the two axes' and 0 without asking which edge it starts
// beyond; and an end quotient below 0 means no pixel either way.
struct TAxisBounds {
  std::int64_t D = 0;  // |D|; 0 when the coordinate does not move along a row
  TSteppedQuotient Skip, End, Step;

  // along: D; start: the first row's c; down: the change of c a row.
  static TAxisBounds Of(std::int64_t along, std::int64_t start, std::int64_t down, std::int64_t low,
                        std::int64_t high) {
    TAxisBounds a;
    if (along == 0) return a;
    const std::int64_t s = along < 0 ? -1 : 1;
    a.D = along * s;
    const std::int64_t nearEdge = along > 0 ? low + along - 1 : high + along;
    const std::int64_t farEdge = along > 0 ? high : low;
    a.Skip = TSteppedQuotient::Of(s * (nearEdge - start), a.D);
    a.End = TSteppedQuotient::Of(s * (farEdge - start), a.D);
    a.Step = TSteppedQuotient::Of(-s * down, a.D);
    return a;
  }
  [[gnu::always_inline]] void NextRow() {
    Skip.Step(Step, D);
    End.Step(Step, D);
  }
};

class TRotatedRows {
 public:
  struct TBox {
    std::int64_t MinX, MinY, MaxY;  // rows MinY .. MaxY - 1 from column MinX
    std::int64_t DestWidth;
    std::int64_t U, V;  // at (MinX, MinY)
    std::int64_t DU, DV, DUY, DVY;
    std::int64_t Left, Top, Right, Bottom;  // the source rectangle, 16.16
  };

  explicit TRotatedRows(const TBox& b)
      : b_(b),
        u_(TAxisBounds::Of(b.DU, b.U, -b.DUY, b.Left, b.Right)),
        v_(TAxisBounds::Of(b.DV, b.V, b.DVY, b.Top, b.Bottom)) {}

  // A row's span: n >= 1 pixels from column X0 of row Y, (U, V) being the
  // first pixel's coordinates.
  struct TSpan {
    std::int64_t Y, X0, N, U, V;
  };

  // The spans from the first row down.
  class TCursor;

  const TBox& Box() const { return b_; }

 private:
  TBox b_;
  TAxisBounds u_, v_;
};

// A cursor rather than a loop taking a callable, so that a kernel compiled
// for wider vectors inlines it into its own loop.
class TRotatedRows::TCursor {
 public:
  explicit TCursor(const TRotatedRows& rows)
      : b_(rows.b_), u_(rows.u_), v_(rows.v_), y_(b_.MinY), uRow_(b_.U), vRow_(b_.V) {}

  // The next row that has a span; false when no row is left.
  [[gnu::always_inline]] bool Next(TSpan& span) {
    const std::int64_t room = b_.DestWidth - b_.MinX;
    for (; y_ < b_.MaxY; ++y_, uRow_ -= b_.DUY, vRow_ += b_.DVY) {
      std::int64_t skip, n;
      if (u_.D != 0 && v_.D != 0) {
        skip = std::max(std::max<std::int64_t>(0, u_.Skip.Q), v_.Skip.Q);
        n = std::min(std::min(u_.End.Q, v_.End.Q), room) - skip;
        u_.NextRow();
        v_.NextRow();
      } else {
        n = Unmoving(skip);
      }
      if (n >= 1) {
        span = {y_, b_.MinX + skip, n, uRow_ + skip * b_.DU, vRow_ + skip * b_.DV};
        ++y_;
        uRow_ -= b_.DUY;
        vRow_ += b_.DVY;
        return true;
      }
    }
    return false;
  }

 private:
  // A row where u or v does not move along it: that coordinate must lie
  // inside the source already, or the whole span would read outside it;
  // the length it allows is then its distance to the far edge in 16.16
  // units, as the drawing has always been defined.
  std::int64_t Unmoving(std::int64_t& skip) {
    skip = 0;
    std::int64_t end = b_.DestWidth - b_.MinX;
    for (TAxisBounds* a : {&u_, &v_})
      if (a->D != 0) skip = std::max(skip, a->Skip.Q);
    const auto bound = [&](TAxisBounds& a, std::int64_t c, std::int64_t low, std::int64_t high) {
      if (a.D != 0) {
        end = std::min(end, a.End.Q);
        a.NextRow();
      } else {
        end = c < low || c >= high ? skip : std::min(end, skip + (high - c));
      }
    };
    bound(u_, uRow_, b_.Left, b_.Right);
    bound(v_, vRow_, b_.Top, b_.Bottom);
    return end - skip;
  }

  // Copies: a vector store may alias anything a reference would reach.
  const TBox b_;
  TAxisBounds u_, v_;
  std::int64_t y_, uRow_, vRow_;
};
