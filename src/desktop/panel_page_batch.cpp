#include "desktop/panel_page_batch.h"

#include "desktop/browse_for_folder.h"
#include "desktop/panel_exchange.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CMyPropertyPage4::CMyPropertyPage4(QWidget* parent) : CPanelPage(parent) {
    setObjectName(QStringLiteral("pageBatch"));

    auto* png = new QGroupBox(tr(" PNG option"), this);
    m_checkPngMode = new QCheckBox(tr("Interlace"), png);
    m_checkPngMode->setObjectName(QStringLiteral("checkPngMode"));
    (new QVBoxLayout(png))->addWidget(m_checkPngMode);

    auto* gif = new QGroupBox(tr(" GIF option"), this);
    m_comboGifMode = new QComboBox(gif);
    m_comboGifMode->setObjectName(QStringLiteral("comboGifMode"));
    m_comboGifMode->addItems({QStringLiteral("87a non interlace"), QStringLiteral("87a interlace"),
                              QStringLiteral("89a non interlace"),
                              QStringLiteral("89a interlace")});
    (new QVBoxLayout(gif))->addWidget(m_comboGifMode);

    auto* folder = new QGroupBox(tr("Folder settings for batch output"), this);
    m_editBatchPath = new QLineEdit(folder);
    m_editBatchPath->setObjectName(QStringLiteral("editBatchPath"));
    auto* reference = new QPushButton(tr("Reference (&B)"), folder);
    reference->setObjectName(QStringLiteral("buttonReference"));
    reference->setAutoDefault(false);
    connect(reference, &QPushButton::clicked, this, &CMyPropertyPage4::OnReference);
    auto* folderLayout = new QHBoxLayout(folder);
    folderLayout->addWidget(m_editBatchPath);
    folderLayout->addWidget(reference);

    auto* type = new QGroupBox(this);
    auto* typeLayout = new QHBoxLayout(type);
    m_groupFileType = new QButtonGroup(this);
    const char* const types[] = {"BMP", "PNG", "GIF"};
    for (int id = 0; id < 3; ++id) {
        auto* radio = new QRadioButton(QString::fromLatin1(types[id]), type);
        radio->setObjectName(QStringLiteral("radioBatchFileType%1").arg(id));
        m_groupFileType->addButton(radio, id);
        typeLayout->addWidget(radio);
    }

    auto* options = new QHBoxLayout;
    options->addWidget(png);
    options->addWidget(gif);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(options);
    layout->addWidget(folder);
    layout->addWidget(type);
    layout->addStretch();
}

void CMyPropertyPage4::LoadControls() {
    ShowCheck(m_checkPngMode, m_bPngMode);
    ShowCombo(m_comboGifMode, m_nGifMode);
    m_editBatchPath->setText(m_strBatchPath);
    ShowRadio(m_groupFileType, m_nBatchFileType);
}

bool CMyPropertyPage4::StoreControls(QString*) {
    TakeCheck(m_checkPngMode, m_bPngMode);
    TakeCombo(m_comboGifMode, m_nGifMode);
    m_strBatchPath = m_editBatchPath->text();
    TakeRadio(m_groupFileType, m_nBatchFileType);
    return true;
}

void CMyPropertyPage4::OnReference() {
    StoreControls(nullptr); // what the user has changed so far stays
    QString folder;
    if (BrowseForFolder(this, folder, m_strBatchPath)) {
        m_strBatchPath = folder;
        LoadControls();
    }
}
