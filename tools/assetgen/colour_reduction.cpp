#include "tools/assetgen/colour_reduction.h"

#include "tools/assetgen/art_common.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace art {

const std::array<QRgb, 16>& standardColours16() {
  static const std::array<QRgb, 16> colours = {
      qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
      qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
      qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  return colours;
}

namespace {

int distance2(QRgb a, QRgb b) {
  const int dr = qRed(a) - qRed(b);
  const int dg = qGreen(a) - qGreen(b);
  const int db = qBlue(a) - qBlue(b);
  // Weighted towards green as the eye is.
  return 3 * dr * dr + 4 * dg * dg + 2 * db * db;
}

int nearest(const std::vector<QRgb>& table, QRgb colour, int skip) {
  int best = -1;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < static_cast<int>(table.size()); ++i) {
    if (i == skip) continue;
    const int d = distance2(table[i], colour);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

struct Entry {
  QRgb colour;
  long count;
};

int channel(QRgb c, int axis) {
  return axis == 0 ? qRed(c) : axis == 1 ? qGreen(c) : qBlue(c);
}

struct Box {
  std::vector<Entry> entries;
  long weight = 0;
  int axis = 0;
  int range = 0;

  void measure() {
    weight = 0;
    int lo[3] = {255, 255, 255};
    int hi[3] = {0, 0, 0};
    for (const Entry& e : entries) {
      weight += e.count;
      for (int a = 0; a < 3; ++a) {
        lo[a] = std::min(lo[a], channel(e.colour, a));
        hi[a] = std::max(hi[a], channel(e.colour, a));
      }
    }
    range = -1;
    for (int a = 0; a < 3; ++a) {
      if (hi[a] - lo[a] > range) {
        range = hi[a] - lo[a];
        axis = a;
      }
    }
  }
};

QRgb meanOf(const std::vector<Entry>& entries) {
  double r = 0, g = 0, b = 0, n = 0;
  for (const Entry& e : entries) {
    r += qRed(e.colour) * double(e.count);
    g += qGreen(e.colour) * double(e.count);
    b += qBlue(e.colour) * double(e.count);
    n += double(e.count);
  }
  return qRgb(int(r / n + 0.5), int(g / n + 0.5), int(b / n + 0.5));
}

std::vector<QRgb> medianCut(std::vector<Entry> colours, int wanted) {
  std::vector<Box> boxes(1);
  boxes[0].entries = std::move(colours);
  boxes[0].measure();
  while (static_cast<int>(boxes.size()) < wanted) {
    // Split the box whose spread matters most; ties go to the earlier box.
    int pick = -1;
    double pickScore = 0;
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
      if (boxes[i].entries.size() < 2) continue;
      const double score = double(boxes[i].range) * std::sqrt(double(boxes[i].weight));
      if (pick < 0 || score > pickScore) {
        pick = i;
        pickScore = score;
      }
    }
    if (pick < 0) break;
    Box& box = boxes[pick];
    const int axis = box.axis;
    std::stable_sort(box.entries.begin(), box.entries.end(),
                     [axis](const Entry& a, const Entry& b) {
                       const int ca = channel(a.colour, axis);
                       const int cb = channel(b.colour, axis);
                       return ca != cb ? ca < cb : (a.colour & 0xFFFFFF) < (b.colour & 0xFFFFFF);
                     });
    long half = 0;
    std::size_t cut = 1;
    for (; cut < box.entries.size(); ++cut) {
      half += box.entries[cut - 1].count;
      if (half * 2 >= box.weight) break;
    }
    cut = std::clamp<std::size_t>(cut, 1, box.entries.size() - 1);
    Box upper;
    upper.entries.assign(box.entries.begin() + long(cut), box.entries.end());
    box.entries.resize(cut);
    box.measure();
    upper.measure();
    boxes.push_back(std::move(upper));
  }
  std::vector<QRgb> means;
  for (const Box& box : boxes) means.push_back(meanOf(box.entries));
  return means;
}

}  // namespace

IndexedPicture toStandard16(const QImage& picture) {
  const auto& colours = standardColours16();
  const std::vector<QRgb> table(colours.begin(), colours.end());
  IndexedPicture out{picture.width(), picture.height(), table, {}};
  out.indices.reserve(std::size_t(picture.width()) * std::size_t(picture.height()));
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb c = picture.pixel(x, y) | 0xFF000000u;
      out.indices.push_back(static_cast<std::uint8_t>(c == Key ? 13 : nearest(table, c, 13)));
    }
  }
  return out;
}

IndexedPicture toTable256(const QImage& picture) {
  constexpr QRgb black = 0xFF000000u;
  constexpr QRgb white = 0xFFFFFFFFu;
  std::map<QRgb, long> histogram;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb c = picture.pixel(x, y) | 0xFF000000u;
      if (c != Key && c != black && c != white) ++histogram[c];
    }
  }
  std::vector<Entry> colours;
  for (const auto& [colour, count] : histogram) colours.push_back({colour, count});

  constexpr int reserved = 3;
  std::vector<QRgb> free;
  if (colours.size() <= 256 - reserved) {
    for (const Entry& e : colours) free.push_back(e.colour);
  } else {
    free = medianCut(colours, 256 - reserved);
    for (int round = 0; round < 2; ++round) {
      std::vector<double> sum(free.size() * 4, 0.0);
      for (const Entry& e : colours) {
        const int i = nearest(free, e.colour, -1);
        sum[i * 4 + 0] += qRed(e.colour) * double(e.count);
        sum[i * 4 + 1] += qGreen(e.colour) * double(e.count);
        sum[i * 4 + 2] += qBlue(e.colour) * double(e.count);
        sum[i * 4 + 3] += double(e.count);
      }
      for (std::size_t i = 0; i < free.size(); ++i) {
        const double n = sum[i * 4 + 3];
        if (n > 0) {
          free[i] = qRgb(int(sum[i * 4] / n + 0.5), int(sum[i * 4 + 1] / n + 0.5),
                         int(sum[i * 4 + 2] / n + 0.5));
        }
      }
    }
  }
  // Darkest first, so that the table reads well in an editor.
  std::stable_sort(free.begin(), free.end(), [](QRgb a, QRgb b) {
    const int la = qRed(a) * 3 + qGreen(a) * 6 + qBlue(a);
    const int lb = qRed(b) * 3 + qGreen(b) * 6 + qBlue(b);
    return la != lb ? la < lb : (a & 0xFFFFFF) < (b & 0xFFFFFF);
  });
  std::vector<QRgb> table{black, white, Key};
  for (QRgb c : free) table.push_back(awayFromKey(c));
  while (table.size() < 256) table.push_back(black);
  return toTable(picture, table);
}

IndexedPicture toTable(const QImage& picture, const std::vector<QRgb>& table) {
  const int key = int(std::find(table.begin(), table.end(), Key) - table.begin());
  IndexedPicture out{picture.width(), picture.height(), table, {}};
  out.indices.reserve(std::size_t(picture.width()) * std::size_t(picture.height()));
  std::map<QRgb, std::uint8_t> cache;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb c = picture.pixel(x, y) | 0xFF000000u;
      if (c == Key) {
        out.indices.push_back(static_cast<std::uint8_t>(key));
        continue;
      }
      auto found = cache.find(c);
      if (found == cache.end()) {
        found = cache.emplace(c, static_cast<std::uint8_t>(nearest(table, c, key))).first;
      }
      out.indices.push_back(found->second);
    }
  }
  return out;
}

}  // namespace art
