#include "quant/quant_settings.h"

#include <algorithm>

QuantSettings QuantSettings::FromPanel(const PanelValues& panel) {
    QuantSettings s;
    // The settings file is loaded without checks, so every member is held to the range its
    // control can show before it reaches the engine; an unknown output precision is left to the
    // colour space, which treats it as "888".
    s.outPrecision = panel.m_nOutBit;
    s.weightYB = (std::clamp(panel.m_nMagYB, 0, 20) + 7) * 5;
    s.weightCR = (std::clamp(panel.m_nMagCR, 0, 20) + 11) * 5;
    s.weightGM = (std::clamp(panel.m_nMagGM, 0, 20) + 15) * 5;
    switch (panel.m_nBitSet) {
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
    s.add16 = panel.m_bAdd16;
    s.ditherMode = panel.m_nDitherMode >= 0 && panel.m_nDitherMode <= 4 ? panel.m_nDitherMode : 0;
    switch (panel.m_nInBit) {
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
    // A corner outside 0..3 selects none of the four: no transparent entry.
    const bool corner = panel.m_nTransPosition >= 0 && panel.m_nTransPosition <= 3;
    s.transPosition = panel.m_bTransMode != 0 && corner ? panel.m_nTransPosition : -1;
    // The fixed colours and the transparent entry must fit, so the target is never negative.
    const int minimum = (s.add16 != 0 ? 16 : 0) + (s.transPosition >= 0 ? 1 : 0);
    if (s.colorCount < minimum)
        s.colorCount = minimum;
    return s;
}
