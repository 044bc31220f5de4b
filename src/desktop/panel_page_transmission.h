// The Transmission page of the control panel: whether a palette entry is kept for a transparent
// colour, and which corner pixel of the picture gives that colour. The corner buttons stay usable
// and keep their value while the check box is off.
#pragma once

#include "desktop/panel_page.h"

class QButtonGroup;
class QCheckBox;

class CTransmissionPage : public CPanelPage {
    Q_OBJECT
public:
    explicit CTransmissionPage(QWidget* parent = nullptr);

    int m_bTransMode = 0;
    int m_nTransPosition = 3; // 0 upper left, 1 lower left, 2 upper right, 3 lower right

    void LoadControls() override;
    [[nodiscard]] bool StoreControls(QString* error) override;

private:
    QCheckBox* m_checkTransMode;
    QButtonGroup* m_groupPosition;
};
