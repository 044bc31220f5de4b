#include "desktop/control_panel.h"

#include "desktop/panel_page_batch.h"
#include "desktop/panel_page_engine.h"
#include "desktop/panel_page_main.h"
#include "desktop/panel_page_transmission.h"
#include "desktop/preview_pane.h"
#include "desktop/user_notice.h"
#include "settings/settings_keys.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

CControllPanel::CControllPanel(QWidget* mainWindow)
    : m_pPage1(new CMyPropertyPage1), m_pPage2(new CMyPropertyPage2),
      m_pPage3(new CMyPropertyPage3), m_pPage4(new CMyPropertyPage4),
      m_pSettings{{{&settings::kAdd16, &m_pPage1->m_bAdd16},
                   {&settings::kDitherMode, &m_pPage1->m_nDitherMode},
                   {&settings::kNumBit, &m_pPage1->m_nNumBit},
                   {&settings::kBitSet, &m_pPage1->m_nBitSet},
                   {&settings::kDitherLevel, &m_pPage1->m_nDitherLevel},
                   {&settings::kInBit, &m_pPage2->m_nInBit},
                   {&settings::kOutBit, &m_pPage2->m_nOutBit},
                   {&settings::kMagCR, &m_pPage2->m_nMagCR},
                   {&settings::kMagGM, &m_pPage2->m_nMagGM},
                   {&settings::kMagWB, &m_pPage2->m_nMagWB},
                   {&settings::kMagYB, &m_pPage2->m_nMagYB},
                   {&settings::kTransMode, &m_pPage3->m_bTransMode},
                   {&settings::kTransPosition, &m_pPage3->m_nTransPosition},
                   {&settings::kPngMode, &m_pPage4->m_bPngMode},
                   {&settings::kGifMode, &m_pPage4->m_nGifMode},
                   {&settings::kBatchPath, &m_pPage4->m_strBatchPath},
                   {&settings::kBatchFileType, &m_pPage4->m_nBatchFileType},
                   {&settings::kRefinePasses, &m_pPage2->m_nRefinePasses},
                   {&settings::kPaletteFile, &m_pPage1->m_strPaletteFile}}},
      m_pMainWindow(mainWindow) {
    setObjectName(QStringLiteral("controlPanel"));
    setWindowTitle(tr("Quantizer color settings"));
    setModal(true);

    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName(QStringLiteral("panelTabs"));
    m_pTabs->addTab(m_pPage1, tr("Main"));
    m_pTabs->addTab(m_pPage2, tr("Engine"));
    m_pTabs->addTab(m_pPage3, tr("Transmission"));
    m_pTabs->addTab(m_pPage4, tr("Batch"));
    connect(m_pTabs, &QTabWidget::currentChanged, this, &CControllPanel::OnPageChanged);
    connect(m_pPage1, &CMyPropertyPage1::PaletteChoiceChanged, m_pPage2,
            &CMyPropertyPage2::ShowComputedPaletteControls);

    // OK and Cancel only: a page's values are taken when it is left or confirmed.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_pPreview = new CPreviewPane(this);
    m_pPreview->hide();
    // Every control of the pages that reach the engine updates the preview.
    for (int i = 0; i < 3; ++i) {
        CPanelPage* page = Page(i);
        auto changed = [this] { OnControlChanged(); };
        for (auto* button : page->findChildren<QAbstractButton*>())
            connect(button, &QAbstractButton::toggled, this, changed);
        for (auto* combo : page->findChildren<QComboBox*>())
            connect(combo, &QComboBox::currentIndexChanged, this, changed);
        for (auto* slider : page->findChildren<QAbstractSlider*>())
            connect(slider, &QAbstractSlider::valueChanged, this, changed);
        for (auto* edit : page->findChildren<QLineEdit*>())
            connect(edit, &QLineEdit::textChanged, this, changed);
        for (auto* spin : page->findChildren<QSpinBox*>())
            connect(spin, &QSpinBox::valueChanged, this, changed);
    }

    auto* row = new QHBoxLayout;
    row->addWidget(m_pTabs, 1);
    row->addWidget(m_pPreview);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

void CControllPanel::SetPreviewPicture(const CKorvoDoc* doc) {
    m_pPreview->SetPicture(doc);
    m_pPreview->setVisible(m_pPreview->HasPicture());
    if (isVisible())
        OnControlChanged();
}

std::optional<PanelValues> CControllPanel::ShownValues() {
    if (!m_pPage1->CountInRange())
        return std::nullopt;
    // The pages take their controls into their members, which become the settings only when
    // the user confirms; so the members get their values back at once.
    std::vector<std::variant<int, QString>> saved;
    for (const PanelSetting& setting : m_pSettings) {
        if (auto* number = std::get_if<int*>(&setting.member))
            saved.emplace_back(**number);
        else
            saved.emplace_back(*std::get<QString*>(setting.member));
    }
    for (int i = 0; i < 3; ++i)
        (void)Page(i)->StoreControls(nullptr);
    const PanelValues values = GetPanelValues();
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (auto* number = std::get_if<int*>(&m_pSettings[i].member))
            **number = std::get<int>(saved[i]);
        else
            *std::get<QString*>(m_pSettings[i].member) = std::get<QString>(saved[i]);
    }
    return values;
}

void CControllPanel::OnControlChanged() {
    if (!m_pPreview->HasPicture() || !isVisible())
        return;
    if (const std::optional<PanelValues> values = ShownValues())
        m_pPreview->SetValues(*values);
}

CPanelPage* CControllPanel::Page(int index) const {
    switch (index) {
    case 0:
        return m_pPage1;
    case 1:
        return m_pPage2;
    case 2:
        return m_pPage3;
    default:
        return m_pPage4;
    }
}

PanelValues CControllPanel::GetPanelValues() const {
    const auto in = [](const SettingKey& key, int member) { return BringIntoRange(key, member); };
    PanelValues v;
    v.m_nBitSet = in(settings::kBitSet, m_pPage1->m_nBitSet);
    v.m_nNumBit = in(settings::kNumBit, m_pPage1->m_nNumBit);
    v.m_bAdd16 = in(settings::kAdd16, m_pPage1->m_bAdd16);
    v.m_nDitherMode = in(settings::kDitherMode, m_pPage1->m_nDitherMode);
    v.m_nDitherLevel = in(settings::kDitherLevel, m_pPage1->m_nDitherLevel);
    v.m_nInBit = in(settings::kInBit, m_pPage2->m_nInBit);
    v.m_nOutBit = in(settings::kOutBit, m_pPage2->m_nOutBit);
    v.m_nMagYB = in(settings::kMagYB, m_pPage2->m_nMagYB);
    v.m_nMagCR = in(settings::kMagCR, m_pPage2->m_nMagCR);
    v.m_nMagGM = in(settings::kMagGM, m_pPage2->m_nMagGM);
    v.m_nMagWB = in(settings::kMagWB, m_pPage2->m_nMagWB);
    v.m_nRefinePasses = in(settings::kRefinePasses, m_pPage2->m_nRefinePasses);
    v.m_bTransMode = in(settings::kTransMode, m_pPage3->m_bTransMode);
    v.m_nTransPosition = in(settings::kTransPosition, m_pPage3->m_nTransPosition);
    return v;
}

PictureOptions CControllPanel::GetPictureOptions() const {
    constexpr PictureFormat kFormats[] = {PictureFormat::Bmp, PictureFormat::Png,
                                          PictureFormat::Gif};
    // "87a non interlace", "87a interlace", "89a non interlace", "89a interlace".
    const int gifMode = BringIntoRange(settings::kGifMode, m_pPage4->m_nGifMode);
    PictureOptions options;
    options.format = kFormats[BringIntoRange(settings::kBatchFileType, m_pPage4->m_nBatchFileType)];
    options.pngInterlace = BringIntoRange(settings::kPngMode, m_pPage4->m_bPngMode) != 0;
    options.gif89a = gifMode >= 2;
    options.gifInterlace = gifMode % 2 == 1;
    return options;
}

const PanelSetting* CControllPanel::FindSetting(const QString& key) const {
    for (const PanelSetting& setting : m_pSettings)
        if (key == QLatin1String(setting.setting->key))
            return &setting;
    return nullptr;
}

void CControllPanel::LoadSettings(const IniText& settings) {
    for (const SettingKey* key : settings::kPanelKeys) {
        const auto member = FindSetting(QLatin1String(key->key))->member;
        if (auto* number = std::get_if<int*>(&member))
            **number = ReadInt(settings, *key); // unchecked, as stored
        else
            *std::get<QString*>(member) = ReadText(settings, *key);
    }
}

void CControllPanel::SaveSettings(IniText& settings) const {
    for (const SettingKey* key : settings::kPanelKeys) {
        const auto member = FindSetting(QLatin1String(key->key))->member;
        if (auto* number = std::get_if<int*>(&member))
            WriteInt(settings, *key, **number);
        else
            WriteText(settings, *key, *std::get<QString*>(member));
    }
}

void CControllPanel::showEvent(QShowEvent* event) {
    // Every showing starts from the members, on the page shown last.
    for (int i = 0; i < m_pTabs->count(); ++i)
        Page(i)->LoadControls();
    SwitchTo(m_nActivePage >= 0 && m_nActivePage < m_pTabs->count() ? m_nActivePage : 0);
    m_pTabs->tabBar()->setFocus(Qt::OtherFocusReason);
    if (m_pMainWindow)
        move(m_pMainWindow->frameGeometry().topLeft() + QPoint(8, 8));
    QDialog::showEvent(event);
    OnControlChanged(); // the first preview, with the values just shown
}

void CControllPanel::SwitchTo(int index) {
    m_bSwitching = true;
    m_pTabs->setCurrentIndex(index);
    m_bSwitching = false;
    m_nShownPage = index;
}

void CControllPanel::Refuse(const QString& text) {
    ShowNotice(this, text, NoticeIcon::Warning);
    if (m_pTabs->currentIndex() == 0)
        m_pPage1->FocusCountEdit();
}

void CControllPanel::OnPageChanged(int index) {
    if (m_bSwitching)
        return;
    QString error;
    if (!Page(m_nShownPage)->StoreControls(&error)) {
        SwitchTo(m_nShownPage); // the page with the refused value stays in front
        Refuse(error);
        return;
    }
    m_nShownPage = index;
}

void CControllPanel::done(int result) {
    if (result == QDialog::Accepted) {
        QString error;
        if (!Page(m_nShownPage)->StoreControls(&error)) {
            Refuse(error);
            return;
        }
        // The count edit shows the stored count even when its page was not visited this time;
        // a count the page would refuse must not reach a run either. A palette file leaves the
        // count nothing to do.
        if (m_pPage1->m_strPaletteFile.isEmpty() && !m_pPage1->CountInRange()) {
            SwitchTo(0);
            Refuse(CMyPropertyPage1::RangeMessage());
            return;
        }
    }
    // Cancel keeps what was taken from pages already left and drops the current page's edits.
    m_nActivePage = m_pTabs->currentIndex();
    SetPreviewPicture(nullptr);
    QDialog::done(result);
}
