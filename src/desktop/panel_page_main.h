// The Main page of the control panel: where the palette comes from (computed, or the colours of a
// palette file), colour count, the fixed 16 colours and the pixel mapping method with its
// strength. The optional count is the one value the panel checks (2..256); it is checked whenever
// the page's controls are taken back, whichever count button is chosen, unless a palette file
// gives the colours: count and fixed colours then do nothing, and their controls are off.
#pragma once

#include "desktop/file_dialogs.h"
#include "desktop/panel_page.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
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
    QString m_strPaletteFile; // a palette file or a picture of at most 256 colours; empty: computed

    void LoadControls() override;
    [[nodiscard]] bool StoreControls(QString* error) override;
    // Whether the count edit holds a number the panel accepts.
    [[nodiscard]] bool CountInRange() const;
    static QString RangeMessage();
    void FocusCountEdit();

signals:
    // The page shows a computed palette (true) or one from a file (false).
    void PaletteChoiceChanged(bool computed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StepCount(int delta);
    // "from file...": the user chooses the file; a cancelled choice keeps the one shown.
    void OnPaletteFromFile();
    void ShowPaletteChoice();

    QButtonGroup* m_groupBitSet;
    QLineEdit* m_editNumBit;
    QCheckBox* m_checkAdd16;
    QComboBox* m_comboDitherMode;
    QSlider* m_sliderDitherLevel;
    QGroupBox* m_groupCount;
    QRadioButton* m_radioPaletteComputed;
    QRadioButton* m_radioPaletteFile;
    QLabel* m_labelPaletteFile;
    QString m_strShownPalette; // the choice the controls show, taken back by StoreControls
    COpenFileDialog m_paletteDlg{this};
};
