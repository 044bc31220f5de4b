#include "settings/panel_values.h"

#include <algorithm>

QuantSettings SettingsForRun(const PanelValues& panel) {
    // The settings file is loaded without checks, so every member is held to what its control
    // can show before it reaches the engine, as the desktop's settings table also does: counts
    // and sliders to the nearest end of their range, a list index or corner outside its list to
    // the panel's built-in choice, a check box to on for any value but 0.
    const PanelValues builtIn;
    const auto choice = [](int value, int last, int fallback) {
        return value >= 0 && value <= last ? value : fallback;
    };
    QuantSettings s;
    s.outPrecision = choice(panel.m_nOutBit, 8, builtIn.m_nOutBit);
    s.weightYB = (std::clamp(panel.m_nMagYB, 0, 20) + 7) * 5;
    s.weightCR = (std::clamp(panel.m_nMagCR, 0, 20) + 11) * 5;
    s.weightGM = (std::clamp(panel.m_nMagGM, 0, 20) + 15) * 5;
    switch (choice(panel.m_nBitSet, 3, builtIn.m_nBitSet)) {
    case 0:
        s.colorCount = 256;
        break;
    case 1:
        s.colorCount = 16;
        break;
    case 2:
        s.colorCount = 2;
        break;
    default:
        s.colorCount = std::clamp(panel.m_nNumBit, 2, 256);
        break;
    }
    s.ditherLevel = std::clamp(panel.m_nDitherLevel, 0, 10);
    s.add16 = panel.m_bAdd16 != 0 ? 1 : 0;
    s.ditherMode = choice(panel.m_nDitherMode, 4, builtIn.m_nDitherMode);
    switch (choice(panel.m_nInBit, 3, builtIn.m_nInBit)) {
    case 0:
        s.inputMask = 7;
        break;
    case 1:
        s.inputMask = 3;
        break;
    case 2:
        s.inputMask = 1;
        break;
    default:
        s.inputMask = 0;
        break;
    }
    s.transPosition =
        panel.m_bTransMode != 0 ? choice(panel.m_nTransPosition, 3, builtIn.m_nTransPosition) : -1;
    s.refinePasses = std::clamp(panel.m_nRefinePasses, 0, kMaxRefinePasses);
    // The fixed colours and the transparent entry must fit, so the target is never negative.
    const int minimum = (s.add16 != 0 ? 16 : 0) + (s.transPosition >= 0 ? 1 : 0);
    if (s.colorCount < minimum)
        s.colorCount = minimum;
    return s;
}

PanelValues ForGivenPalette(PanelValues panel) {
    const PanelValues builtIn;
    panel.m_nBitSet = builtIn.m_nBitSet;
    panel.m_nNumBit = builtIn.m_nNumBit;
    panel.m_bAdd16 = builtIn.m_bAdd16;
    panel.m_nInBit = builtIn.m_nInBit;
    panel.m_nOutBit = builtIn.m_nOutBit;
    panel.m_nRefinePasses = builtIn.m_nRefinePasses;
    return panel;
}
