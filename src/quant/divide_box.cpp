#include "quant/divide_box.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

double Coord(const ColorEntry& e, int k) {
    return k == 0 ? e.point.yb : (k == 1 ? e.point.cr : e.point.luma);
}

} // namespace

double CDivideBox::BoxStatistics(const ColorEntry* entries, int first, int count, double axis[4],
                                 double stdDev[4], double mean[4], double* error) {
    if (error)
        *error = 0;
    std::fill(axis, axis + 4, 0.0);
    std::fill(stdDev, stdDev + 4, 0.0);
    std::fill(mean, mean + 4, 0.0);
    if (count < 1)
        return 0;
    const ColorEntry* range = entries + first;

    double total = 0;
    double sum[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const double w = range[i].weight;
        total += w;
        for (int k = 0; k < 3; ++k)
            sum[k] += w * Coord(range[i], k);
    }
    for (int k = 0; k < 3; ++k)
        mean[k] = sum[k] / total;

    // All nine elements are summed separately, each over the entries in order: (w * dj) * dk
    // and (w * dk) * dj may differ in the last place, and the rotations must see exactly these
    // values.
    double c[3][3] = {};
    auto accumulate = [&](auto withError) {
        std::int32_t repr[3];
        for (int k = 0; k < 3; ++k)
            repr[k] = static_cast<std::int32_t>(std::floor(mean[k] + 0.5));
        double e = 0;
        for (int i = 0; i < count; ++i) {
            const double w = range[i].weight;
            const double d[3] = {Coord(range[i], 0) - mean[0], Coord(range[i], 1) - mean[1],
                                 Coord(range[i], 2) - mean[2]};
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k)
                    c[j][k] += (w * d[j]) * d[k];
            if constexpr (decltype(withError)::value)
                e += range[i].weight *
                     CColorSpace::Distance2To(range[i].point, repr[0], repr[1], repr[2]);
        }
        if constexpr (decltype(withError)::value)
            *error = e;
    };
    if (error)
        accumulate(std::true_type{});
    else
        accumulate(std::false_type{});
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            m_covariance[j][k] = c[j][k] / total;
    for (int k = 0; k < 3; ++k)
        stdDev[k] = std::sqrt(m_covariance[k][k]);
    axis[3] = stdDev[3] = mean[3] = total;

    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m_vectors[r][c] = r == c ? 1 : 0;
    JacobiEigen(3, &m_covariance[0][0], &m_vectors[0][0], 1e-16);

    // The third eigenvalue is the first candidate; an earlier one replaces it only when larger.
    int best = 2;
    for (int k = 0; k < 3; ++k)
        if (m_covariance[k][k] > m_covariance[best][best])
            best = k;
    for (int r = 0; r < 3; ++r)
        axis[r] = m_vectors[r][best];
    return m_covariance[best][best];
}

void CDivideBox::JacobiEigen(int n, double* matrix, double* vectors, double threshold) {
    auto a = [&](int r, int c) -> double& { return matrix[r * n + c]; };
    auto v = [&](int r, int c) -> double& { return vectors[r * n + c]; };
    for (int sweep = 0; sweep < 10; ++sweep) {
        bool rotated = false;
        for (int p = 0; p < n - 1; ++p) {
            for (int q = p + 1; q < n; ++q) {
                const double apq = a(p, q);
                if (!(std::fabs(apq) >= threshold))
                    continue;
                const double theta = (a(q, q) - a(p, p)) / (2 * apq);
                double t = 1 / (std::fabs(theta) + std::sqrt(theta * theta + 1));
                if (theta < 0)
                    t = -t;
                const double c = 1 / std::sqrt(t * t + 1);
                const double s = t * c;
                for (int r = 0; r < n; ++r) {
                    if (r == p || r == q)
                        continue;
                    const double arp = a(r, p);
                    const double arq = a(r, q);
                    a(r, p) = a(p, r) = c * arp - s * arq;
                    a(r, q) = a(q, r) = s * arp + c * arq;
                }
                a(p, p) -= t * apq;
                a(q, q) += t * apq;
                a(p, q) = a(q, p) = 0;
                for (int r = 0; r < n; ++r) {
                    const double vrp = v(r, p);
                    const double vrq = v(r, q);
                    v(r, p) = c * vrp - s * vrq;
                    v(r, q) = s * vrp + c * vrq;
                }
                rotated = true;
            }
        }
        if (!rotated)
            break;
    }
}

void CDivideBox::FillBox(ColorBox* boxes, ColorEntry* entries, int index, int first, int count,
                         const CColorSpace& space) {
    FillBox(boxes[index], entries, first, count, space);
}

void CDivideBox::FillBox(ColorBox& box, const ColorEntry* entries, int first, int count,
                         const CColorSpace& space) {
    box.first = first;
    box.count = count;
    double error = 0;
    box.principalVariance =
        BoxStatistics(entries, first, count, box.axis, box.stdDev, box.mean, &error);
    for (int k = 0; k < 3; ++k)
        box.reprCoord[k] = static_cast<std::int32_t>(std::floor(box.mean[k] + 0.5));
    box.reprColor =
        space.SnapToGrid(space.SpaceToRgb(box.reprCoord[0], box.reprCoord[1], box.reprCoord[2]));
    box.error = error;
}

bool CDivideBox::SplitBox(ColorBox* boxes, ColorEntry* entries, int i, int j,
                          const CColorSpace& space) {
    BoxSplit split;
    PrepareSplit(boxes[i], entries, space, split);
    return CommitSplit(boxes, i, j, split);
}

void CDivideBox::PrepareSplit(const ColorBox& box, ColorEntry* entries, const CColorSpace& space,
                              BoxSplit& split) {
    const int first = box.first;
    const int count = box.count;
    split.cut = false;
    if (count <= 1) {
        FillBox(split.lower, entries, first, count, space);
        split.lower.error = 0;
        return;
    }
    const double a[3] = {box.axis[0], box.axis[1], box.axis[2]};
    m_sort.Reserve(m_rangeScratch ? 0 : std::size_t(count));
    m_sort.Sort(
        entries + first, count,
        [&a](const ColorEntry& e) {
            const SpacePoint& p = e.point;
            return (double(p.yb) * a[0] + double(p.cr) * a[1]) + double(p.luma) * a[2];
        },
        m_rangeScratch ? m_rangeScratch + first : m_sort.Scratch());

    int k = FindBestCut(entries, first, count);
    if (k < 1 || count - k < 1) {
        if (count != 2) {
            FillBox(split.lower, entries, first, count, space);
            split.lower.error = 0;
            return;
        }
        k = 1;
    }
    FillBox(split.lower, entries, first, k, space);
    FillBox(split.upper, entries, first + k, count - k, space);
    split.cut = true;
}

bool CDivideBox::CommitSplit(ColorBox* boxes, int i, int j, const BoxSplit& split) {
    boxes[i] = split.lower;
    if (split.cut)
        boxes[j] = split.upper;
    return split.cut;
}

int CDivideBox::FindBestCut(const ColorEntry* entries, int first, int count) {
    if (count < 2)
        return 0;
    const ColorEntry* range = entries + first;
    double total = 0;
    double sum[3] = {0, 0, 0};
    double square[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const double w = range[i].weight;
        total += w;
        for (int d = 0; d < 3; ++d) {
            const double c = Coord(range[i], d);
            sum[d] += w * c;
            square[d] += (w * c) * c;
        }
    }

    // The costs of the two sides are computed side by side, each lane with the very operations
    // of one side, so that the divisions, which bound this loop, are done two at a time.
    using Pair = double __attribute__((vector_size(16)));
    double leftTotal = 0;
    double leftSum[3] = {0, 0, 0};
    double leftSquare[3] = {0, 0, 0};
    double best = DBL_MAX;
    int bestCut = 0;
    for (int k = 1; k < count; ++k) {
        const double w = range[k - 1].weight;
        leftTotal += w;
        const Pair div = {std::max(leftTotal, 1.0), std::max(total - leftTotal, 1.0)};
        Pair term[3];
        for (int d = 0; d < 3; ++d) {
            const double c = Coord(range[k - 1], d);
            leftSum[d] += w * c;
            leftSquare[d] += (w * c) * c;
            const Pair s = {leftSum[d], sum[d] - leftSum[d]};
            const Pair q = {leftSquare[d], square[d] - leftSquare[d]};
            term[d] = q - s * s / div;
        }
        const Pair sides = (term[0] + term[1]) + term[2];
        const double c = sides[0] + sides[1];
        if (c < best) { // the first smallest cut wins
            best = c;
            bestCut = k;
        }
    }
    return bestCut;
}
