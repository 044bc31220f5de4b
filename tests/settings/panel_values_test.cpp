#include "settings/panel_values.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(SettingsForRun, FillsARunFromThePanel) {
    struct Case {
        const char* name;
        int bitSet, numBit, add16, transMode, transPosition, slider;
        int colorCount, target, transparent, weights[3];
    } cases[] = {
        {"panel defaults", 0, 64, 0, 0, 3, 10, 256, 256, -1, {85, 105, 125}},
        {"2 colours, fixed and transparent", 3, 2, 1, 1, 3, 0, 17, 0, 3, {35, 55, 75}},
        {"2 colours with fixed colours", 2, 64, 1, 0, 3, 20, 16, 0, -1, {135, 155, 175}},
        {"16 colours with transparent entry", 1, 64, 0, 1, 0, 10, 16, 15, 0, {85, 105, 125}},
        {"256, fixed and transparent", 0, 64, 1, 1, 2, 10, 256, 239, 2, {85, 105, 125}},
        // Settings files are loaded unchecked: values beyond the controls' ranges are held in.
        {"count 0 from a file", 3, 0, 0, 0, 3, 10, 2, 2, -1, {85, 105, 125}},
        {"too large: count, sliders, corner", 3, 1000, 0, 1, 7, 99, 256, 255, 3, {135, 155, 175}},
        {"any fixed-colours value but 0 is on", 0, 64, 5, 0, 3, 10, 256, 240, -1, {85, 105, 125}},
    };
    for (const Case& c : cases) {
        PanelValues panel;
        panel.m_nBitSet = c.bitSet;
        panel.m_nNumBit = c.numBit;
        panel.m_bAdd16 = c.add16;
        panel.m_bTransMode = c.transMode;
        panel.m_nTransPosition = c.transPosition;
        panel.m_nMagYB = panel.m_nMagCR = panel.m_nMagGM = c.slider;
        const QuantSettings s = SettingsForRun(panel);
        panel.m_nMagWB = 0; // the fourth slider never reaches the engine
        const QuantSettings low = SettingsForRun(panel);
        panel.m_nMagWB = 20;
        const QuantSettings high = SettingsForRun(panel);
        EXPECT_EQ(std::memcmp(&low, &high, sizeof low), 0) << c.name;
        EXPECT_EQ(std::vector<int>({s.colorCount, s.Target(), s.transPosition, s.weightYB,
                                    s.weightCR, s.weightGM}),
                  std::vector<int>({c.colorCount, c.target, c.transparent, c.weights[0],
                                    c.weights[1], c.weights[2]}))
            << c.name;
    }
    const int masks[] = {7, 3, 1, 0, 0};
    for (int inBit = 0; inBit < 5; ++inBit) {
        PanelValues panel;
        panel.m_nInBit = inBit;
        EXPECT_EQ(SettingsForRun(panel).inputMask, masks[inBit]);
    }
}

} // namespace
