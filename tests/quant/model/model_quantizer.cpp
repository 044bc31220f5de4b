#include "tests/quant/model/model_quantizer.h"

#include "tests/quant/model/model_space.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <map>
#include <vector>

namespace model {

namespace {

using u32 = std::uint32_t;

struct Entry {
    Point p;
    int w = 0;
    double key = 0;
};

struct Box {
    double error = 0;
    int first = 0;
    int count = 0;
    int repr[3] = {0, 0, 0};
    u32 color = 0;
    double axis[3] = {0, 0, 0};
};

struct Slot {
    u32 color = 0;
    int key = 0x7FFFFFFF;
};

double Coord(const Point& p, int k) {
    return k == 0 ? p.yb : (k == 1 ? p.cr : p.luma);
}

// ---- histogram -------------------------------------------------------------------------------

std::vector<Entry> Histogram(const std::vector<u32>& px, int w, int h, int mask, u32 trans,
                             const Space& space) {
    int table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = std::min(v + (mask + 1) / 2, 255) & ~mask;

    // resp[(y*w + x)*6 + 2*ch + (0: x, 1: y)], channels blue, green, red.
    std::vector<int> resp(static_cast<size_t>(w) * h * 6, 0);
    static const int kx[9] = {1, 0, -1, 2, 0, -2, 1, 0, -1};
    static const int ky[9] = {1, 2, 1, 0, 0, 0, -1, -2, -1};
    for (int y = 1; y + 1 < h; ++y)
        for (int x = 1; x + 1 < w; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                int v[9];
                for (int k = 0; k < 9; ++k)
                    v[k] = (px[(y - 1 + k / 3) * w + (x - 1 + k % 3)] >> (8 * ch)) & 255;
                int gx = 0, gy = 0, hi = 0, lo = 1000;
                for (int k = 0; k < 9; ++k) {
                    gx += kx[k] * (v[k] - v[4]);
                    gy += ky[k] * (v[k] - v[4]);
                    hi = std::max(hi, v[k]);
                    lo = std::min(lo, v[k]);
                }
                const int range = std::max(hi - lo, 8);
                const double g[2] = {static_cast<double>(gx), static_cast<double>(gy)};
                for (int a = 0; a < 2; ++a) {
                    double r = 128 - 64 * g[a] / range;
                    r = std::min(std::max(r, 0.0), 255.0);
                    resp[(static_cast<size_t>(y) * w + x) * 6 + 2 * ch + a] = static_cast<int>(r);
                }
            }

    std::vector<u32> keys(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const u32 c = px[y * w + x];
            bool flag = false;
            if (x > 0 && y > 0 && x + 1 < w && y + 1 < h) {
                const int* centre = &resp[(static_cast<size_t>(y) * w + x) * 6];
                double s[3] = {0, 0, 0};
                for (int ch = 0; ch < 3; ++ch)
                    for (int k = 0; k < 9; ++k) {
                        const int* n =
                            &resp[(static_cast<size_t>(y - 1 + k / 3) * w + (x - 1 + k % 3)) * 6];
                        const double dx = n[2 * ch] - centre[2 * ch];
                        const double dy = n[2 * ch + 1] - centre[2 * ch + 1];
                        s[ch] += std::sqrt(dx * dx + dy * dy);
                    }
                const double N = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
                double v = 255 - N / 8;
                v = std::min(std::max(v, 0.0), 255.0);
                flag = static_cast<int>(v) >= 160;
            }
            if (c == trans)
                keys[y * w + x] = 0x40000000;
            else
                keys[y * w + x] = static_cast<u32>(table[(c >> 16) & 255] << 16 |
                                                   table[(c >> 8) & 255] << 8 | table[c & 255]) |
                                  (flag ? 0x1000000u : 0u);
        }

    std::stable_sort(keys.begin(), keys.end(),
                     [](u32 a, u32 b) { return (a & 0xFEFFFFFFu) < (b & 0xFEFFFFFFu); });
    std::vector<Entry> entries;
    for (size_t i = 0; i < keys.size();) {
        const u32 k = keys[i] & 0xFEFFFFFFu;
        int weight = 0;
        size_t j = i;
        for (; j < keys.size() && (keys[j] & 0xFEFFFFFFu) == k; ++j)
            weight += (keys[j] & 0x1000000u) ? 8 : 1;
        if (k != 0x40000000u) {
            Entry e;
            e.p = space.ToSpace(k & 0xFFFFFF);
            e.w = weight;
            entries.push_back(e);
        }
        i = j;
    }
    return entries;
}

// ---- box division ----------------------------------------------------------------------------

void Jacobi(double C[3][3], double V[3][3]) {
    for (int sweep = 0; sweep < 10; ++sweep) {
        bool rotated = false;
        for (int p = 0; p < 2; ++p)
            for (int q = p + 1; q < 3; ++q) {
                if (!(std::fabs(C[p][q]) >= 1e-16))
                    continue;
                rotated = true;
                const double theta = (C[q][q] - C[p][p]) / (2 * C[p][q]);
                double t = 1 / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                if (theta < 0)
                    t = -t;
                const double c = 1 / std::sqrt(t * t + 1);
                const double s = t * c;
                for (int r = 0; r < 3; ++r) {
                    if (r == p || r == q)
                        continue;
                    const double rp = C[r][p], rq = C[r][q];
                    C[r][p] = C[p][r] = c * rp - s * rq;
                    C[r][q] = C[q][r] = s * rp + c * rq;
                }
                C[p][p] -= t * C[p][q];
                C[q][q] += t * C[p][q];
                C[p][q] = C[q][p] = 0;
                for (int r = 0; r < 3; ++r) {
                    const double vp = V[r][p], vq = V[r][q];
                    V[r][p] = c * vp - s * vq;
                    V[r][q] = s * vp + c * vq;
                }
            }
        if (!rotated)
            break;
    }
}

// Mean and principal axis of a range of entries.
void Statistics(const std::vector<Entry*>& e, int first, int count, double mean[3],
                double axis[3]) {
    for (int k = 0; k < 3; ++k)
        mean[k] = axis[k] = 0;
    if (count < 1)
        return;
    double W = 0;
    for (int i = first; i < first + count; ++i)
        W += static_cast<double>(e[i]->w);
    for (int k = 0; k < 3; ++k) {
        double s = 0;
        for (int i = first; i < first + count; ++i)
            s += static_cast<double>(e[i]->w) * Coord(e[i]->p, k);
        mean[k] = s / W;
    }
    double C[3][3], V[3][3];
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k) {
            double s = 0;
            for (int i = first; i < first + count; ++i)
                s += (static_cast<double>(e[i]->w) * (Coord(e[i]->p, j) - mean[j])) *
                     (Coord(e[i]->p, k) - mean[k]);
            C[j][k] = s / W;
            V[j][k] = j == k ? 1 : 0;
        }
    Jacobi(C, V);
    int best = 2;
    for (int k = 0; k < 3; ++k)
        if (C[k][k] > C[best][best])
            best = k;
    for (int k = 0; k < 3; ++k)
        axis[k] = V[k][best];
}

void FillBox(Box& b, const std::vector<Entry*>& e, int first, int count, const Space& space) {
    b.first = first;
    b.count = count;
    double mean[3];
    Statistics(e, first, count, mean, b.axis);
    for (int k = 0; k < 3; ++k)
        b.repr[k] = static_cast<int>(std::floor(mean[k] + 0.5));
    b.color = space.Snap(space.ToRgb(b.repr[0], b.repr[1], b.repr[2]));
    b.error = 0;
    const Point r{b.repr[0], b.repr[1], b.repr[2]};
    for (int i = first; i < first + count; ++i) {
        const double dy = static_cast<double>(e[i]->p.yb - r.yb);
        const double dc = static_cast<double>(e[i]->p.cr - r.cr);
        const double dl = static_cast<double>(e[i]->p.luma - r.luma);
        b.error += static_cast<double>(e[i]->w) * ((dy * dy + dc * dc) + dl * dl);
    }
}

struct Sums {
    double W = 0, S[3] = {0, 0, 0}, Q[3] = {0, 0, 0};
    void Add(const Entry& x) {
        W += x.w;
        for (int d = 0; d < 3; ++d) {
            S[d] += static_cast<double>(x.w) * Coord(x.p, d);
            Q[d] += (static_cast<double>(x.w) * Coord(x.p, d)) * Coord(x.p, d);
        }
    }
    double Cost() const {
        const double dv = std::max(W, 1.0);
        return ((Q[0] - S[0] * S[0] / dv) + (Q[1] - S[1] * S[1] / dv)) + (Q[2] - S[2] * S[2] / dv);
    }
};

int BestCut(const std::vector<Entry*>& e, int first, int count) {
    if (count < 2)
        return 0;
    Sums total, left;
    for (int i = first; i < first + count; ++i)
        total.Add(*e[i]);
    double best = DBL_MAX;
    int bestK = 0;
    for (int k = 1; k < count; ++k) {
        left.Add(*e[first + k - 1]);
        Sums right;
        right.W = total.W - left.W;
        for (int d = 0; d < 3; ++d) {
            right.S[d] = total.S[d] - left.S[d];
            right.Q[d] = total.Q[d] - left.Q[d];
        }
        const double cost = left.Cost() + right.Cost();
        if (cost < best) {
            best = cost;
            bestK = k;
        }
    }
    return bestK;
}

bool SplitBox(std::vector<Box>& boxes, std::vector<Entry*>& e, int i, int j, const Space& space) {
    Box& b = boxes[i];
    const int first = b.first, count = b.count;
    if (count == 1) {
        FillBox(b, e, first, count, space);
        b.error = 0;
        return false;
    }
    for (int n = first; n < first + count; ++n)
        e[n]->key = (Coord(e[n]->p, 0) * b.axis[0] + Coord(e[n]->p, 1) * b.axis[1]) +
                    Coord(e[n]->p, 2) * b.axis[2];
    std::stable_sort(e.begin() + first, e.begin() + first + count,
                     [](const Entry* x, const Entry* y) { return x->key < y->key; });
    int k = BestCut(e, first, count);
    if (k < 1 || count - k < 1) {
        if (count == 2) {
            k = 1;
        } else {
            FillBox(b, e, first, count, space);
            b.error = 0;
            return false;
        }
    }
    FillBox(boxes[i], e, first, k, space);
    FillBox(boxes[j], e, first + k, count - k, space);
    return true;
}

void Divide(std::vector<Entry>& entries, int target, Slot* slots, const Space& space) {
    std::vector<Entry*> e;
    for (Entry& x : entries)
        e.push_back(&x);
    std::vector<Box> boxes(769);
    FillBox(boxes[0], e, 0, static_cast<int>(e.size()), space);
    int n = 1, d = 0;
    while (target > 0 && d < target) {
        if (n >= 760)
            break;
        int c = 0;
        for (int i = 1; i < n; ++i)
            if (boxes[i].error > boxes[c].error)
                c = i;
        if (boxes[c].error <= 0)
            break;
        if (!SplitBox(boxes, e, c, n, space))
            continue;
        ++n;
        d = 0;
        for (int i = 0; i < n && d < target; ++i) {
            bool seen = false;
            for (int s = 0; s < d; ++s)
                seen = seen || slots[s].color == boxes[i].color;
            if (!seen) {
                slots[d].color = boxes[i].color;
                slots[d].key = space.ToSpace(boxes[i].color).luma;
                ++d;
            }
        }
        for (int s = d; s < target; ++s)
            slots[s] = Slot{};
    }
    // One rounded colour is never split, yet the picture has it.
    if (target > 0 && d == 0 && !entries.empty()) {
        slots[0].color = boxes[0].color;
        slots[0].key = space.ToSpace(boxes[0].color).luma;
    }
}

// ---- nearest search --------------------------------------------------------------------------

class Nearest {
public:
    explicit Nearest(const std::vector<Point>& pts) : m_pts(pts) {}

    int Find(const Point& v) {
        const long long iy = (static_cast<long long>(v.yb) + 2621440) / 131072;
        const long long ic = (static_cast<long long>(v.cr) + 2621440) / 131072;
        const long long il = (static_cast<long long>(v.luma) + 524288) / 131072;
        if (iy < 0 || iy > 39 || ic < 0 || ic > 39 || il < 0 || il > 39)
            return Exhaustive(v);
        const int cell = static_cast<int>(iy + 40 * (ic + 40 * il));
        std::vector<int>& list = m_lists[cell];
        if (list.empty())
            list = BuildList(Point{static_cast<int>(iy * 131072 - 2555904),
                                   static_cast<int>(ic * 131072 - 2555904),
                                   static_cast<int>(il * 131072 - 458752)});
        int best = list[0];
        double bestD = Distance2(v, m_pts[best]);
        for (size_t i = 1; i < list.size(); ++i) {
            const double d = Distance2(v, m_pts[list[i]]);
            if (d < bestD) {
                bestD = d;
                best = list[i];
            }
        }
        return best;
    }

private:
    int Exhaustive(const Point& v) const {
        int best = 0;
        double bestD = Distance2(v, m_pts[0]);
        for (size_t i = 1; i < m_pts.size(); ++i)
            if (Distance2(v, m_pts[i]) < bestD) {
                bestD = Distance2(v, m_pts[i]);
                best = static_cast<int>(i);
            }
        return best;
    }

    std::vector<int> BuildList(const Point& centre) const {
        std::vector<double> dist;
        double dmin = DBL_MAX;
        for (const Point& p : m_pts) {
            dist.push_back(std::sqrt(Distance2(centre, p)));
            dmin = std::min(dmin, dist.back());
        }
        const double t = dmin + std::sqrt(51539607552.0);
        std::vector<int> list;
        for (size_t i = 0; i < dist.size(); ++i)
            if (dist[i] < t)
                list.push_back(static_cast<int>(i));
        return list;
    }

    const std::vector<Point>& m_pts;
    std::map<int, std::vector<int>> m_lists; // cell number -> candidates, built when first met
};

// ---- mapping ---------------------------------------------------------------------------------

struct Mapper {
    const std::vector<u32>& px;
    int w, h;
    u32 trans;
    int transIndex;
    int level;
    int limit[3];
    const std::vector<Point>& pts;
    const Space& space;
    Nearest nearest;
    std::vector<std::uint8_t> out;
    // walk state
    int x = 0, y = 0;
    long long E[3] = {0, 0, 0};

    static long long Clamp(long long e, int L) {
        return std::min<long long>(std::max<long long>(e, -L), L);
    }
    static long long Get(const Point& p, int k) { return k == 0 ? p.yb : (k == 1 ? p.cr : p.luma); }
    static Point Make(const long long v[3]) {
        return Point{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2])};
    }

    void Plain() {
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx) {
                const u32 c = px[yy * w + xx];
                out[yy * w + xx] = static_cast<std::uint8_t>(
                    c == trans ? transIndex : nearest.Find(space.ToSpace(c)));
            }
    }

    void Diffuse(bool average) {
        // rows[r][(slot)*3 + k], slot = x + 2
        std::vector<std::vector<long long>> rows(3, std::vector<long long>((w + 4) * 3, 0));
        std::vector<long long>*E0 = &rows[0], *E1 = &rows[1], *E2 = &rows[2];
        for (int yy = 0; yy < h; ++yy) {
            const int d = (yy % 2 == 0) ? 1 : -1;
            for (int n = 0; n < w; ++n) {
                const int xx = d > 0 ? n : w - 1 - n;
                const u32 c = px[yy * w + xx];
                if (c == trans) {
                    out[yy * w + xx] = static_cast<std::uint8_t>(transIndex);
                    continue;
                }
                const Point T = space.ToSpace(c);
                auto at = [&](std::vector<long long>* r, int dx, int k) {
                    return (*r)[(xx + 2 + dx) * 3 + k];
                };
                long long v[3];
                for (int k = 0; k < 3; ++k) {
                    long long e;
                    if (!average)
                        e = (7 * at(E0, -d, k) + 3 * at(E1, -d, k) + 5 * at(E1, 0, k) +
                             1 * at(E1, d, k)) /
                            160;
                    else
                        e = (5 * at(E0, -2 * d, k) + 7 * at(E0, -d, k) + 3 * at(E1, -2 * d, k) +
                             5 * at(E1, -d, k) + 7 * at(E1, 0, k) + 5 * at(E1, d, k) +
                             3 * at(E1, 2 * d, k) + 1 * at(E2, -2 * d, k) + 3 * at(E2, -d, k) +
                             5 * at(E2, 0, k) + 3 * at(E2, d, k) + 1 * at(E2, 2 * d, k)) /
                            480;
                    v[k] = Get(T, k) + Clamp(e, limit[k]);
                }
                const int i = nearest.Find(Make(v));
                out[yy * w + xx] = static_cast<std::uint8_t>(i);
                for (int k = 0; k < 3; ++k)
                    (*E0)[(xx + 2) * 3 + k] = static_cast<int>((v[k] - Get(pts[i], k)) * level);
            }
            std::vector<long long>* old = E2;
            std::fill(old->begin(), old->end(), 0);
            E2 = E1;
            E1 = E0;
            E0 = old;
        }
    }

    void Step(int dx, int dy) {
        x += dx;
        y += dy;
        const u32 c = px[y * w + x];
        if (c == trans) {
            out[y * w + x] = static_cast<std::uint8_t>(transIndex);
            return;
        }
        const Point T = space.ToSpace(c);
        long long v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = Get(T, k) + Clamp(E[k] * level / 10, limit[k]);
        const int i = nearest.Find(Make(v));
        for (int k = 0; k < 3; ++k)
            E[k] = static_cast<int>(v[k] - Get(pts[i], k));
        out[y * w + x] = static_cast<std::uint8_t>(i);
    }

    void Cover(int n, int m, int ax, int ay, int bx, int by) {
        if (n == 1) {
            for (int i = 0; i < m - 1; ++i)
                Step(bx, by);
            return;
        }
        if (m == 1) {
            for (int i = 0; i < n - 1; ++i)
                Step(ax, ay);
            return;
        }
        if (n < m) {
            std::swap(n, m);
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        const int hh = n / 2;
        int p = hh, q = hh;
        switch (n % 4) {
        case 1:
            q = hh + 1;
            break;
        case 2:
            p = hh + 1;
            q = hh - 1;
            break;
        case 3:
            p = hh + 1;
            break;
        default:
            break;
        }
        Split(p, m, ax, ay, bx, by);
        Step(ax, ay);
        Cover(q, m, ax, ay, bx, by);
    }

    void Split(int n, int m, int ax, int ay, int bx, int by) {
        const int hh = n / 2;
        int p = hh, q = hh;
        if (m % 2 == 0 && hh % 2 == 0) {
            p = hh + 1;
            q = hh - 1;
        }
        Cover(p, m, ax, ay, bx, by);
        Step(ax, ay);
        Cover(q, m, ax, ay, -bx, -by);
    }

    void Peano() {
        x = y = 0;
        Step(0, 0);
        if (w % 2 == 0 && h % 2 == 0) {
            if (h <= w)
                Split(w, h, 1, 0, 0, 1);
            else
                Split(h, w, 0, 1, 1, 0);
        } else {
            Cover(w, h, 1, 0, 0, 1);
        }
    }

    void Pattern() {
        static const int kThreshold[4][4] = {
            {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
        std::map<u32, std::vector<std::pair<int, int>>> tries;
        for (int yy = 0; yy < h; ++yy)
            for (int xx = 0; xx < w; ++xx) {
                const u32 c = px[yy * w + xx];
                if (c == trans) {
                    out[yy * w + xx] = static_cast<std::uint8_t>(transIndex);
                    continue;
                }
                std::vector<std::pair<int, int>>& cand = tries[c]; // (luma, index)
                if (cand.empty()) { // the sixteen tries depend on the colour alone
                    const Point T = space.ToSpace(c);
                    long long e[3] = {0, 0, 0};
                    for (int n = 0; n < 16; ++n) {
                        long long v[3];
                        for (int k = 0; k < 3; ++k)
                            v[k] = Get(T, k) + e[k];
                        const int i = nearest.Find(Make(v));
                        cand.emplace_back(pts[i].luma, i);
                        for (int k = 0; k < 3; ++k)
                            e[k] = static_cast<int>((v[k] - Get(pts[i], k)) * level) / 10;
                    }
                    std::sort(cand.begin(), cand.end());
                }
                out[yy * w + xx] =
                    static_cast<std::uint8_t>(cand[kThreshold[yy % 4][xx % 4]].second);
            }
    }
};

const u32 kFixed[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                        0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                        0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

} // namespace

ModelResult Quantize(const std::vector<u32>& px, int w, int h, const QuantSettings& s) {
    const Space space(s.weightYB, s.weightCR, s.weightGM, s.outPrecision);
    const int target = s.colorCount - (s.add16 == 1 ? 16 : 0) - (s.transPosition >= 0 ? 1 : 0);
    u32 trans = 0x1000000;
    if (s.transPosition >= 0) {
        const int tx = (s.transPosition >= 2) ? w - 1 : 0;
        const int ty = (s.transPosition % 2 == 1) ? h - 1 : 0;
        trans = px[ty * w + tx];
    }

    Slot slots[256];
    std::vector<Entry> entries = Histogram(px, w, h, s.inputMask, trans, space);
    Divide(entries, target, slots, space);

    int count = target;
    if (s.add16 == 1) {
        for (int i = 0; i < 16; ++i)
            slots[target + i] = Slot{kFixed[i], space.ToSpace(kFixed[i]).luma};
        count += 16;
    }
    std::stable_sort(slots, slots + count,
                     [](const Slot& a, const Slot& b) { return a.key < b.key; });
    std::vector<Point> pts;
    for (int i = 0; i < count; ++i)
        pts.push_back(space.ToSpace(slots[i].color));
    int limit[3] = {0, 0, 0};
    for (int k = 0; k < 3 && count > 0; ++k) {
        double lo = Mapper::Get(pts[0], k), hi = lo;
        for (const Point& p : pts) {
            lo = std::min(lo, static_cast<double>(Mapper::Get(p, k)));
            hi = std::max(hi, static_cast<double>(Mapper::Get(p, k)));
        }
        limit[k] = static_cast<int>(hi - lo);
    }
    int transIndex = 0;
    if (s.transPosition >= 0) {
        transIndex = s.colorCount - 1;
        slots[s.colorCount - 1].color = trans;
    }

    Mapper m{px,
             w,
             h,
             trans,
             transIndex,
             s.ditherLevel,
             {limit[0], limit[1], limit[2]},
             pts,
             space,
             Nearest(pts),
             std::vector<std::uint8_t>(static_cast<size_t>(w) * h)};
    switch (s.ditherMode) {
    case 1:
        m.Peano();
        break;
    case 2:
        m.Diffuse(false);
        break;
    case 3:
        m.Diffuse(true);
        break;
    case 4:
        m.Pattern();
        break;
    default:
        m.Plain();
        break;
    }

    ModelResult r;
    for (int i = 0; i < s.colorCount; ++i)
        r.palette.push_back(slots[i].color);
    r.indices = std::move(m.out);
    return r;
}

std::vector<HistogramEntry> Histogram(const std::vector<u32>& px, int w, int h,
                                      const QuantSettings& s, u32 transparent) {
    const Space space(s.weightYB, s.weightCR, s.weightGM, s.outPrecision);
    std::vector<HistogramEntry> out;
    for (const Entry& e : Histogram(px, w, h, s.inputMask, transparent, space))
        out.push_back({e.p, e.w});
    return out;
}

} // namespace model
