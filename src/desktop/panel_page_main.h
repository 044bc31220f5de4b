// The Main page of the control panel: colour count, the fixed 16 colours and the pixel mapping
// method with its strength. The optional count is the one value the panel checks (2..256); it is
// checked whenever the page's controls are taken back, whichever count button is chosen.
#pragma once

#include "desktop/panel_page.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSlider;

class CMyPropertyPage1 : public CPanelPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage1(QWidget* parent = nullptr);

    static constexpr int kMinCount = 2;
    static constexpr int kMaxCount = 256;

    int m_bAdd16 = 0;
    int m_nDitherMode = 0;
    int m_nNumBit = 64;
    int m_nBitSet = 0;
    int m_nDitherLevel = 7;

    void LoadControls() override;
    [[nodiscard]] bool StoreControls(QString* error) override;
    // Whether the count edit holds a number the panel accepts.
    [[nodiscard]] bool CountInRange() const;
    static QString RangeMessage();
    void FocusCountEdit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StepCount(int delta);

    QButtonGroup* m_groupBitSet;
    QLineEdit* m_editNumBit;
    QCheckBox* m_checkAdd16;
    QComboBox* m_comboDitherMode;
    QSlider* m_sliderDitherLevel;
};
