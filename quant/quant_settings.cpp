#include "quant/quant_settings.h"

QuantSettings QuantSettings::FromPanel(const PanelValues& panel) {
    QuantSettings s;
    s.outPrecision = panel.m_nOutBit;
    s.weightYB = (panel.m_nMagYB + 7) * 5;
    s.weightCR = (panel.m_nMagCR + 11) * 5;
    s.weightGM = (panel.m_nMagGM + 15) * 5;
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
        s.colorCount = panel.m_nNumBit;
        break;
    }
    s.ditherLevel = panel.m_nDitherLevel;
    s.add16 = panel.m_bAdd16;
    s.ditherMode = panel.m_nDitherMode;
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
    s.transPosition = panel.m_bTransMode != 0 ? panel.m_nTransPosition : -1;
    // The fixed colours and the transparent entry must fit, so the target is never negative.
    const int minimum = (s.add16 != 0 ? 16 : 0) + (s.transPosition >= 0 ? 1 : 0);
    if (s.colorCount < minimum)
        s.colorCount = minimum;
    return s;
}
