#include "quant/quant_settings.h"

#include <gtest/gtest.h>

namespace {

bool SameRecord(const QuantSettings& a, const QuantSettings& b) {
    return a.outPrecision == b.outPrecision && a.weightYB == b.weightYB &&
           a.weightCR == b.weightCR && a.weightGM == b.weightGM && a.colorCount == b.colorCount &&
           a.ditherLevel == b.ditherLevel && a.add16 == b.add16 && a.inputMask == b.inputMask &&
           a.transPosition == b.transPosition && a.ditherMode == b.ditherMode;
}

} // namespace

TEST(QuantSettings, ColourCountAndTarget) {
    struct Case {
        const char* name;
        int bitSet, numBit, add16, transMode;
        int colorCount, target;
    } cases[] = {
        {"256 colours", 0, 64, 0, 0, 256, 256},
        {"16 colours", 1, 64, 0, 0, 16, 16},
        {"2 colours", 2, 64, 0, 0, 2, 2},
        {"optional count", 3, 77, 0, 0, 77, 77},
        {"2 colours, fixed and transparent raised to 17", 3, 2, 1, 1, 17, 0},
        {"2 colours with fixed colours raised to 16", 2, 64, 1, 0, 16, 0},
        {"16 colours with transparent entry", 1, 64, 0, 1, 16, 15},
        {"256 with fixed colours and transparent entry", 0, 64, 1, 1, 256, 239},
        {"optional count 0 from a settings file", 3, 0, 0, 0, 2, 2},
        {"optional count 1000 from a settings file", 3, 1000, 0, 0, 256, 256},
    };
    for (const Case& c : cases) {
        PanelValues panel;
        panel.m_nBitSet = c.bitSet;
        panel.m_nNumBit = c.numBit;
        panel.m_bAdd16 = c.add16;
        panel.m_bTransMode = c.transMode;
        const QuantSettings s = QuantSettings::FromPanel(panel);
        EXPECT_EQ(s.colorCount, c.colorCount) << c.name;
        EXPECT_EQ(s.Target(), c.target) << c.name;
    }
}

TEST(QuantSettings, SlidersGiveAxisWeights) {
    struct Case {
        int slider, yb, cr, gm;
    } cases[] = {{0, 35, 55, 75}, {10, 85, 105, 125}, {20, 135, 155, 175}, {99, 135, 155, 175}};
    for (const Case& c : cases) {
        PanelValues panel;
        panel.m_nMagYB = panel.m_nMagCR = panel.m_nMagGM = c.slider;
        const QuantSettings s = QuantSettings::FromPanel(panel);
        EXPECT_EQ(s.weightYB, c.yb) << c.slider;
        EXPECT_EQ(s.weightCR, c.cr) << c.slider;
        EXPECT_EQ(s.weightGM, c.gm) << c.slider;
    }
}

TEST(QuantSettings, FourthSliderNeverReachesTheEngine) {
    PanelValues low, high;
    low.m_nMagWB = 0;
    high.m_nMagWB = 20;
    EXPECT_TRUE(SameRecord(QuantSettings::FromPanel(low), QuantSettings::FromPanel(high)));
}

TEST(QuantSettings, InputPrecisionBecomesMask) {
    const int masks[] = {7, 3, 1, 0, 0, 0};
    const int indices[] = {0, 1, 2, 3, 4, -1};
    for (int i = 0; i < 6; ++i) {
        PanelValues panel;
        panel.m_nInBit = indices[i];
        EXPECT_EQ(QuantSettings::FromPanel(panel).inputMask, masks[i]) << indices[i];
    }
}

TEST(QuantSettings, TransparentCornerOnlyWhenSwitchedOn) {
    struct Case {
        const char* name;
        int transMode, position, expected;
    } cases[] = {
        {"off", 0, 2, -1},
        {"on, upper left", 1, 0, 0},
        {"on, lower right", 1, 3, 3},
        {"on, corner out of range", 1, 7, -1},
    };
    for (const Case& c : cases) {
        PanelValues panel;
        panel.m_bTransMode = c.transMode;
        panel.m_nTransPosition = c.position;
        EXPECT_EQ(QuantSettings::FromPanel(panel).transPosition, c.expected) << c.name;
    }
}

TEST(QuantSettings, PanelDefaults) {
    const QuantSettings s = QuantSettings::FromPanel(PanelValues{});
    EXPECT_TRUE(SameRecord(s, QuantSettings{}));
    EXPECT_EQ(s.colorCount, 256);
    EXPECT_EQ(s.inputMask, 0);
    EXPECT_EQ(s.ditherLevel, 7);
    EXPECT_EQ(s.transPosition, -1);
}
