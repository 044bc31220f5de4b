#include "desktop/panel_page_transmission.h"

#include "desktop/panel_exchange.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CTransmissionPage::CTransmissionPage(QWidget* parent) : CPanelPage(parent) {
    setObjectName(QStringLiteral("pageTransmission"));

    auto* group = new QGroupBox(tr("Transmission palette settings"), this);
    auto* grid = new QGridLayout(group);
    m_checkTransMode =
        new QCheckBox(tr("Color for transmission is allotted to the palette in the:"), group);
    m_checkTransMode->setObjectName(QStringLiteral("checkTransMode"));
    grid->addWidget(m_checkTransMode, 0, 0, 1, 2);

    // The button ids are the corner numbers; on screen the left corners form the first column.
    struct Corner {
        const char* text;
        int row, column;
    };
    const Corner corners[] = {
        {"upper left", 1, 0}, {"lower left", 2, 0}, {"upper right", 1, 1}, {"low right", 2, 1}};
    m_groupPosition = new QButtonGroup(this);
    for (int id = 0; id < 4; ++id) {
        auto* radio = new QRadioButton(tr(corners[id].text), group);
        radio->setObjectName(QStringLiteral("radioTransPosition%1").arg(id));
        m_groupPosition->addButton(radio, id);
        grid->addWidget(radio, corners[id].row, corners[id].column);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();
}

void CTransmissionPage::LoadControls() {
    ShowCheck(m_checkTransMode, m_bTransMode);
    ShowRadio(m_groupPosition, m_nTransPosition);
}

bool CTransmissionPage::StoreControls(QString*) {
    TakeCheck(m_checkTransMode, m_bTransMode);
    TakeRadio(m_groupPosition, m_nTransPosition);
    return true;
}
