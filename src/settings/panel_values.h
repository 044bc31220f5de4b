// The control panel's values that reach the engine, and the rules that fill a run's settings from
// them. The desktop program and the command-line front end both fill a run through
// SettingsForRun, so the same choices give the same run.
#pragma once

#include "quant/quant_settings.h"

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
    int m_nRefinePasses = 0;  // palette refinement passes, 0 (off) .. 16

    bool operator==(const PanelValues&) const = default;
};

// The settings of a run for the panel's values, each brought into the range its control can show
// (the settings file stores values unchecked).
[[nodiscard]] QuantSettings SettingsForRun(const PanelValues& panel);

// The values of a run that maps onto a given palette: the colour count, the fixed colours, the
// precisions and the refinement shape only a computed palette, so they take their built-in
// values, the ones xkorvo-cli -p runs with.
[[nodiscard]] PanelValues ForGivenPalette(PanelValues panel);
