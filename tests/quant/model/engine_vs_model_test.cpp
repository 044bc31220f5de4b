// Runs the engine and the independent model on many small seeded pictures across the settings
// and requires the same palette and the same index for every pixel.
#include "image/dib.h"
#include "quant/pixel_array.h"
#include "quant/quant.h"
#include "tests/quant/model/model_quantizer.h"
#include "tests/support/dib_builder.h"
#include "tests/support/dib_indices.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using u32 = std::uint32_t;

enum class Kind {
    Noise,
    FewColours,
    Gradient,
    NoisyGradient,
    Uniform,
    TransparentCorners,
    Primaries
};

struct Picture {
    int w = 1, h = 1;
    std::vector<u32> px;
};

// Portable draws: only the raw engine output of mt19937 is used.
struct Rng {
    std::mt19937 gen;
    explicit Rng(u32 seed) : gen(seed) {}
    int Below(int n) { return static_cast<int>(gen() % static_cast<u32>(n)); }
    u32 Colour() { return gen() & 0xFFFFFF; }
};

Picture MakePicture(Kind kind, int w, int h, Rng& rng) {
    Picture p;
    p.w = w;
    p.h = h;
    p.px.resize(static_cast<size_t>(w) * h);
    std::vector<u32> few(2 + rng.Below(6));
    for (u32& c : few)
        c = rng.Colour();
    const u32 a = rng.Colour(), b = rng.Colour();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            u32& c = p.px[y * w + x];
            switch (kind) {
            case Kind::Noise:
                c = rng.Colour();
                break;
            case Kind::FewColours:
            case Kind::TransparentCorners:
                // blocks of 3x3 so that smooth areas exist
                c = few[((x / 3) * 7 + (y / 3) * 3 + rng.Below(2)) % few.size()];
                break;
            case Kind::Gradient:
            case Kind::NoisyGradient: {
                const int t = (x * 255) / std::max(w - 1, 1), u = (y * 255) / std::max(h - 1, 1);
                u32 r = 0;
                for (int s = 0; s < 24; s += 8) {
                    const int ca = (a >> s) & 255, cb = (b >> s) & 255;
                    int v = (ca * t + cb * u) / 510;
                    // a little noise puts many pixels near the smoothness threshold
                    if (kind == Kind::NoisyGradient)
                        v = std::clamp(v + rng.Below(7) - 3, 0, 255);
                    r |= static_cast<u32>(v) << s;
                }
                c = r;
                break;
            }
            case Kind::Uniform:
                c = a;
                break;
            case Kind::Primaries: {
                // the corners of the RGB cube lie farthest out in the weighted space
                static const u32 kCorners[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00,
                                               0xFF00FF, 0x00FFFF, 0x000000, 0xFFFFFF};
                c = kCorners[rng.Below(8)];
                if (rng.Below(4) == 0)
                    c ^= static_cast<u32>(rng.Below(16)) * 0x010101;
                break;
            }
            }
        }
    if (kind == Kind::TransparentCorners) {
        // all four corners share a colour that also occurs inside the picture
        const u32 t = few[0];
        p.px[0] = p.px[w - 1] = p.px[(h - 1) * w] = p.px[(h - 1) * w + w - 1] = t;
    }
    return p;
}

struct Case {
    QuantSettings s;
    int sliders[3];
    int inBits;
};

std::string Describe(u32 seed, Kind kind, const Picture& p, const Case& c) {
    std::ostringstream o;
    o << "seed " << seed << " kind " << static_cast<int>(kind) << " size " << p.w << "x" << p.h
      << " colours " << c.s.colorCount << " add16 " << c.s.add16 << " trans " << c.s.transPosition
      << " mode " << c.s.ditherMode << " level " << c.s.ditherLevel << " inBits " << c.inBits
      << " out " << c.s.outPrecision << " sliders " << c.sliders[0] << "," << c.sliders[1] << ","
      << c.sliders[2];
    return o.str();
}

// Settings for case number i: the method cycles, everything else is drawn independently.
Case MakeCase(int i, Rng& rng) {
    static const int kColours[] = {2, 3, 16, 17, 64, 256};
    static const int kLevels[] = {0, 10, 7, 3, 5};
    static const int kSliders[] = {0, 10, 20};
    Case c;
    QuantSettings& s = c.s;
    s.ditherMode = i % 5;
    s.colorCount = kColours[rng.Below(6)];
    s.add16 = rng.Below(2);
    s.transPosition = rng.Below(5) - 1;
    s.ditherLevel = kLevels[rng.Below(5)];
    c.inBits = 5 + rng.Below(4);
    s.inputMask = (1 << (8 - c.inBits)) - 1;
    s.outPrecision = rng.Below(9);
    for (int& v : c.sliders)
        v = kSliders[rng.Below(3)];
    s.weightYB = (c.sliders[0] + 7) * 5;
    s.weightCR = (c.sliders[1] + 11) * 5;
    s.weightGM = (c.sliders[2] + 15) * 5;
    const int least = (s.add16 ? 16 : 0) + (s.transPosition >= 0 ? 1 : 0);
    if (s.colorCount < least)
        s.colorCount = least;
    return c;
}

// Every run of the engine has a fixed cost (tables, memo) of some tens of milliseconds under the
// sanitizers, so the normal run keeps to about a hundred pictures; XKORVO_MODEL_SCALE=n runs n
// times as many (a longer soak outside the normal test run).
int Scale() {
    const char* e = std::getenv("XKORVO_MODEL_SCALE");
    const int n = e ? std::atoi(e) : 1;
    return n >= 1 ? n : 1;
}

// Runs both on one picture; true when they agree, else a failure naming the case is added.
bool Agree(const Picture& p, const QuantSettings& s, const std::string& what) {
    const DibHandle source = MakeDib24(p.w, p.h, p.px);
    CPixelArray graph;
    graph.SetSource(&source);
    QuantSignal signal;
    CQuant engine(s);
    const QuantResult result = engine.Quantize(graph, signal, [] {});
    if (result != QuantResult::Done) {
        ADD_FAILURE() << what << ": the engine ended with " << QuantResultText(result);
        return false;
    }
    const IndexedPicture got = ReadIndexed(graph.GetResult());
    const model::ModelResult want = model::Quantize(p.px, p.w, p.h, s);
    const int bits = ReadU16(graph.GetResult().data() + dibfield::BitCount);
    const int wantBits = s.colorCount < 3 ? 1 : (s.colorCount < 17 ? 4 : 8);
    if (bits != wantBits) {
        ADD_FAILURE() << what << ": " << bits << " bits per pixel, expected " << wantBits;
        return false;
    }
    if (got.palette == want.palette && got.indices == want.indices)
        return true;

    std::ostringstream o;
    o << what << "\n palette engine/model (" << got.palette.size() << "/" << want.palette.size()
      << "):";
    for (size_t k = 0; k < std::max(got.palette.size(), want.palette.size()); ++k) {
        const u32 g = k < got.palette.size() ? got.palette[k] : 0xDEADBEEF;
        const u32 m = k < want.palette.size() ? want.palette[k] : 0xDEADBEEF;
        if (g != m)
            o << " [" << k << "] " << std::hex << g << "/" << m << std::dec;
    }
    int shown = 0;
    for (size_t k = 0; k < got.indices.size() && k < want.indices.size() && shown < 6; ++k)
        if (got.indices[k] != want.indices[k]) {
            o << "\n pixel (" << k % p.w << "," << k / p.w << ") colour " << std::hex << p.px[k]
              << std::dec << " engine " << int(got.indices[k]) << " model " << int(want.indices[k]);
            ++shown;
        }
    ADD_FAILURE() << o.str();
    return false;
}

void Compare(Kind kind, int cases, u32 firstSeed) {
    cases *= Scale();
    firstSeed *= 1000;
    int mismatches = 0;
    for (int i = 0; i < cases && mismatches < 5; ++i) {
        const u32 seed = firstSeed + static_cast<u32>(i);
        Rng rng(seed);
        int w = 1 + rng.Below(40), h = 1 + rng.Below(40);
        if (i % 8 == 1)
            w = 1;
        if (i % 8 == 2)
            h = 1;
        if (i % 16 == 3)
            w = h = 1;
        const Picture p = MakePicture(kind, w, h, rng);
        const Case c = MakeCase(i, rng);
        if (!Agree(p, c.s, Describe(seed, kind, p, c)))
            ++mismatches;
    }
}

struct Batch {
    const char* name;
    Kind kind;
    int cases;
    u32 firstSeed;
};

class EngineVsModel : public ::testing::TestWithParam<Batch> {};

TEST_P(EngineVsModel, SamePaletteAndIndices) {
    Compare(GetParam().kind, GetParam().cases, GetParam().firstSeed);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, EngineVsModel,
    ::testing::Values(Batch{"Noise", Kind::Noise, 15, 1000},
                      Batch{"FewColours", Kind::FewColours, 15, 2000},
                      Batch{"Gradients", Kind::Gradient, 15, 3000},
                      Batch{"NoisyGradients", Kind::NoisyGradient, 15, 6000},
                      Batch{"Uniform", Kind::Uniform, 10, 4000},
                      Batch{"TransparentCorners", Kind::TransparentCorners, 15, 5000},
                      Batch{"Primaries", Kind::Primaries, 15, 7000}),
    [](const ::testing::TestParamInfo<Batch>& info) { return std::string(info.param.name); });

// Pictures of at least 2^18 pixels have their histogram built, and are mapped by the methods
// whose pixels are independent, by several threads in bands of rows; the result must not change.
// Transparent pixels in many rows leave gaps in the per-row keys that must close exactly.
TEST(EngineVsModel, LargePictureWorkedInBands) {
    struct Row {
        Kind kind;
        int mode;
        int transPosition;
    };
    // 2^20 pixels or more with repeating colours take the cartoon's per-colour table; that size
    // runs only in the longer soak.
    const bool soak = Scale() > 1;
    const Row rows[] = {{Kind::Gradient, 0, -1},
                        {Kind::Gradient, 4, 3},
                        {Kind::NoisyGradient, 2, -1},
                        {Kind::TransparentCorners, 0, 0}};
    for (const Row& r : rows) {
        Rng rng(99);
        const Picture p = MakePicture(r.kind, soak ? 1024 : 520, soak ? 1024 : 510, rng);
        const QuantSettings s{.colorCount = 64,
                              .ditherLevel = 7,
                              .transPosition = r.transPosition,
                              .ditherMode = r.mode};
        Agree(p, s,
              std::to_string(p.w) + "x" + std::to_string(p.h) + " kind " +
                  std::to_string(static_cast<int>(r.kind)) + ", mode " + std::to_string(r.mode));
    }
}

// Saturated pictures with a palette of two or three colours: the carried error would run far
// beyond the palette and must be held to the palette's extent; with the largest weights the
// trial points also leave the search grid.
TEST(EngineVsModel, CarriedErrorHeldToPalette) {
    struct Row {
        int mode;
        int colours;
        int slider;
    };
    const Row rows[] = {{1, 2, 20}, {2, 2, 20}, {3, 2, 20}, {1, 3, 0},
                        {2, 3, 0},  {3, 3, 0},  {4, 2, 20}, {2, 256, 20}};
    for (const Row& r : rows) {
        Rng rng(static_cast<u32>(77 + r.mode));
        const Picture p = MakePicture(Kind::Primaries, 24, 23, rng);
        const QuantSettings s{.weightYB = (r.slider + 7) * 5,
                              .weightCR = (r.slider + 11) * 5,
                              .weightGM = (r.slider + 15) * 5,
                              .colorCount = r.colours,
                              .ditherLevel = 10,
                              .ditherMode = r.mode};
        Agree(p, s,
              "24x23 primaries, mode " + std::to_string(r.mode) + ", colours " +
                  std::to_string(r.colours) + ", sliders " + std::to_string(r.slider));
    }
}

} // namespace
