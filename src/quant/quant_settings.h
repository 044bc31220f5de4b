// The parameters of one quantization run, and the rules that fill them from the control panel's
// members. The desktop program and the command-line front end both fill the record through
// QuantSettings::FromPanel, so the same choices give the same run.
#pragma once

// The control panel's members that reach the engine, with the panel's built-in defaults.
struct PanelValues {
    int m_nBitSet = 0;     // 0: 256 colours, 1: 16, 2: 2, 3: m_nNumBit
    int m_nNumBit = 64;    // "Optional # (2-256)"
    int m_bAdd16 = 0;      // add the fixed 16 colours
    int m_nDitherMode = 0; // "(none)", "GPeanos", "error diffusion", "average error", "cartoon"
    int m_nDitherLevel = 7;
    int m_nInBit = 3;  // "5 bit", "6 bit", "7 bit", "8 bit"
    int m_nOutBit = 8; // "Web", "332", "333", "444", "555", "565", "666", "777", "888"
    int m_nMagYB = 10; // axis sliders 0..20
    int m_nMagCR = 10;
    int m_nMagGM = 10;
    int m_nMagWB = 10; // shown and stored only; never reaches the engine
    int m_bTransMode = 0;
    int m_nTransPosition = 3; // 0 upper left, 1 lower left, 2 upper right, 3 lower right
};

struct QuantSettings {
    int outPrecision = 8; // 0..8
    int weightYB = 85;    // percent
    int weightCR = 105;
    int weightGM = 125;
    int colorCount = 256;   // palette entries, fixed colours and the transparent entry included
    int ditherLevel = 7;    // 0..10 tenths of the error carried
    int add16 = 0;          // 1 reserves 16 entries for the fixed colours
    int inputMask = 0;      // low bits cleared before counting: 7, 3, 1 or 0
    int transPosition = -1; // -1 none, else the corner giving the transparent colour
    int ditherMode = 0;     // 0..4

    static QuantSettings FromPanel(const PanelValues& panel);

    // Number of colours the box division must find.
    int Target() const { return colorCount - (add16 == 1 ? 16 : 0) - (transPosition >= 0 ? 1 : 0); }
};
