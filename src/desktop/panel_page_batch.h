// The Batch page of the control panel: how results are written. A batch window's Reduce all
// writes into the output folder in the format chosen here; PNG interlacing and the GIF variant
// also apply to Save As.
#pragma once

#include "desktop/panel_page.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CMyPropertyPage4 : public CPanelPage {
    Q_OBJECT
public:
    explicit CMyPropertyPage4(QWidget* parent = nullptr);

    int m_bPngMode = 0;
    int m_nGifMode = 0;
    QString m_strBatchPath;
    int m_nBatchFileType = 0; // 0 BMP, 1 PNG, 2 GIF

    void LoadControls() override;
    [[nodiscard]] bool StoreControls(QString* error) override;
    // "Reference (&B)": choose the output folder.
    void OnReference();

private:
    QCheckBox* m_checkPngMode;
    QComboBox* m_comboGifMode;
    QLineEdit* m_editBatchPath;
    QButtonGroup* m_groupFileType;
};
