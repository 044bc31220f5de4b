// The Engine page of the control panel: the weights of the colour axes, the input and output
// precision and the palette refinement. The white-black slider is shown and stored but can be
// neither moved nor focused: the engine has no white-black weight.
#pragma once

#include "desktop/panel_page.h"

class QCheckBox;
class QComboBox;
class QSlider;
class QSpinBox;

class CMyPropertyPage2 : public CPanelPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage2(QWidget* parent = nullptr);

    int m_nInBit = 3;
    int m_nOutBit = 8;
    int m_nMagCR = 10;
    int m_nMagGM = 10;
    int m_nMagWB = 10;
    int m_nMagYB = 10;
    int m_nRefinePasses = 0; // 0: off; else the number of passes, 1..16

    void LoadControls() override;
    [[nodiscard]] bool StoreControls(QString* error) override;
    // "Reset": full input and output precision, every axis at its middle weight.
    void OnReset();
    // With a palette file the precisions and the refinement do nothing: their controls are off
    // (their values stay) until the palette is computed again.
    void ShowComputedPaletteControls(bool computed);

private:
    QComboBox* m_comboInBit;
    QComboBox* m_comboOutBit;
    QSlider* m_sliderWB;
    QSlider* m_sliderYB;
    QSlider* m_sliderCR;
    QSlider* m_sliderGM;
    QCheckBox* m_checkRefine;
    QSpinBox* m_spinRefinePasses;
    bool m_bComputedPalette = true;
};
