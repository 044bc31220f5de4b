// The generalized Peano walk: one continuous path through a width x height picture that visits
// every pixel exactly once, each move to a 4-neighbour, keeping close pixels close on the path.
// CPeanoWalk produces the moves; whoever uses it decides what a visit does (the "GPeanos"
// mapping carries its colour error along the path).
#pragma once

#include <cstdint>

// Visitor: void operator()(int x, int y) for each pixel in walk order, the top-left one first.
template <class Visitor> class CPeanoWalk {
public:
    explicit CPeanoWalk(Visitor& visit) : m_visit(visit) {}

    void PeanoWalk(int width, int height) {
        if (width <= 0 || height <= 0)
            return;
        m_x = 0;
        m_y = 0;
        PeanoStep(0, 0);
        if (width % 2 == 0 && height % 2 == 0) {
            if (height <= width)
                PeanoSplit(width, height, {1, 0}, {0, 1});
            else
                PeanoSplit(height, width, {0, 1}, {1, 0});
        } else {
            PeanoCover(width, height, {1, 0}, {0, 1});
        }
    }

private:
    struct Dir {
        int x, y;
        Dir operator-() const { return {-x, -y}; }
    };

    void PeanoStep(int dx, int dy) {
        m_x += dx;
        m_y += dy;
        m_visit(m_x, m_y);
    }
    void PeanoStep(Dir d) { PeanoStep(d.x, d.y); }

    // An n x m block (n along a, m along b) whose first corner is the current, already visited
    // position; ends in the opposite corner. Never entered with n and m both even.
    void PeanoCover(int n, int m, Dir a, Dir b) {
        // The second half of a cover is a tail call; looping keeps the depth to the halvings.
        for (;;) {
            if (n <= 0 || m <= 0)
                return; // not reachable from PeanoWalk; keeps a bad call from looping
            if (n == 1) {
                for (int k = 1; k < m; ++k)
                    PeanoStep(b);
                return;
            }
            if (m == 1) {
                for (int k = 1; k < n; ++k)
                    PeanoStep(a);
                return;
            }
            if (n < m) {
                const int t = n;
                n = m;
                m = t;
                const Dir d = a;
                a = b;
                b = d;
            }
            const int h = n / 2;
            int p = h, q = h;
            switch (n % 4) {
            case 1:
                q = h + 1;
                break;
            case 2:
                p = h + 1;
                q = h - 1;
                break;
            case 3:
                p = h + 1;
                break;
            default:
                break;
            }
            PeanoSplit(p, m, a, b);
            PeanoStep(a);
            n = q;
        }
    }

    // An n x m block with n even.
    void PeanoSplit(int n, int m, Dir a, Dir b) {
        const int h = n / 2;
        int p = h, q = h;
        if (m % 2 == 0 && h % 2 == 0) {
            p = h + 1;
            q = h - 1;
        }
        PeanoCover(p, m, a, b);
        PeanoStep(a);
        PeanoCover(q, m, a, -b);
    }

    Visitor& m_visit;
    int m_x = 0;
    int m_y = 0;
};
