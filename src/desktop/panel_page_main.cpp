#include "desktop/panel_page_main.h"

#include "desktop/panel_exchange.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

CMyPropertyPage1::CMyPropertyPage1(QWidget* parent) : CPanelPage(parent) {
    setObjectName(QStringLiteral("pageMain"));

    // "Palette: computed / from file...", the file's name below.
    auto* source = new QHBoxLayout;
    m_radioPaletteComputed = new QRadioButton(tr("computed"), this);
    m_radioPaletteComputed->setObjectName(QStringLiteral("radioPaletteComputed"));
    m_radioPaletteFile = new QRadioButton(tr("from file..."), this);
    m_radioPaletteFile->setObjectName(QStringLiteral("radioPaletteFile"));
    connect(m_radioPaletteComputed, &QAbstractButton::clicked, this, [this] {
        m_strShownPalette.clear();
        ShowPaletteChoice();
    });
    connect(m_radioPaletteFile, &QAbstractButton::clicked, this,
            &CMyPropertyPage1::OnPaletteFromFile);
    m_labelPaletteFile = new QLabel(this);
    m_labelPaletteFile->setObjectName(QStringLiteral("labelPaletteFile"));
    source->addWidget(new QLabel(tr("Palette:"), this));
    source->addWidget(m_radioPaletteComputed);
    source->addWidget(m_radioPaletteFile);
    source->addWidget(m_labelPaletteFile, 1);
    m_paletteDlg.m_strFilter =
        QStringLiteral("Palette files|*.gpl;*.act;*.pal;*.hex|All files (*.*)|*.*");

    auto* palette = new QGroupBox(tr("Palette compilation"), this);
    m_groupCount = palette;
    m_groupBitSet = new QButtonGroup(this);
    auto* paletteLayout = new QGridLayout(palette);
    const char* const countTexts[] = {"8 bits (256 colors)", "4 bits (16 colors)",
                                      "1 bit (2 colors)", "Optional # (2-256)"};
    for (int i = 0; i < 4; ++i) {
        auto* radio = new QRadioButton(tr(countTexts[i]), palette);
        radio->setObjectName(QStringLiteral("radioBitSet%1").arg(i));
        m_groupBitSet->addButton(radio, i);
        paletteLayout->addWidget(radio, i, 0, 1, 2);
    }

    // A digits-only edit with its own up and down arrows. A spin box would clamp what it shows,
    // but the edit must show a stored count as it is until the range check refuses it.
    m_editNumBit = new QLineEdit(palette);
    m_editNumBit->setObjectName(QStringLiteral("editNumBit"));
    m_editNumBit->setAlignment(Qt::AlignRight);
    m_editNumBit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), this));
    m_editNumBit->installEventFilter(this);
    auto* spin = new QWidget(palette);
    auto* spinLayout = new QVBoxLayout(spin);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    for (int step : {1, -1}) {
        auto* arrow = new QToolButton(spin);
        arrow->setObjectName(step > 0 ? QStringLiteral("spinUp") : QStringLiteral("spinDown"));
        arrow->setArrowType(step > 0 ? Qt::UpArrow : Qt::DownArrow);
        arrow->setFocusPolicy(Qt::NoFocus); // the arrows never move the focus into the edit
        arrow->setAutoRepeat(true);
        arrow->setFixedSize(16, 11);
        connect(arrow, &QToolButton::clicked, this, [this, step] { StepCount(step); });
        spinLayout->addWidget(arrow);
    }
    auto* countRow = new QHBoxLayout;
    countRow->addSpacing(20);
    countRow->addWidget(m_editNumBit);
    countRow->addWidget(spin);
    countRow->addStretch();
    paletteLayout->addLayout(countRow, 4, 0, 1, 2);

    m_checkAdd16 = new QCheckBox(tr("add fixed 16 colors"), this);
    m_checkAdd16->setObjectName(QStringLiteral("checkAdd16"));

    auto* dither = new QGroupBox(tr("Dither method"), this);
    auto* ditherLayout = new QGridLayout(dither);
    m_comboDitherMode = new QComboBox(dither);
    m_comboDitherMode->setObjectName(QStringLiteral("comboDitherMode"));
    m_comboDitherMode->addItems({QStringLiteral("(none)"), QStringLiteral("GPeanos"),
                                 QStringLiteral("error diffusion"), QStringLiteral("average error"),
                                 QStringLiteral("cartoon")});
    m_sliderDitherLevel = new QSlider(Qt::Horizontal, dither);
    m_sliderDitherLevel->setObjectName(QStringLiteral("sliderDitherLevel"));
    m_sliderDitherLevel->setRange(0, 10);
    m_sliderDitherLevel->setTickPosition(QSlider::TicksBelow);
    m_sliderDitherLevel->setTickInterval(1);
    m_sliderDitherLevel->setPageStep(1);
    ditherLayout->addWidget(new QLabel(tr("Mode"), dither), 0, 0);
    ditherLayout->addWidget(m_comboDitherMode, 0, 1);
    ditherLayout->addWidget(new QLabel(tr("Less <-> More"), dither), 1, 0);
    ditherLayout->addWidget(m_sliderDitherLevel, 1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(source);
    layout->addWidget(palette);
    layout->addWidget(m_checkAdd16);
    layout->addWidget(dither);
    layout->addStretch();
}

void CMyPropertyPage1::LoadControls() {
    ShowCheck(m_checkAdd16, m_bAdd16);
    ShowCombo(m_comboDitherMode, m_nDitherMode);
    m_editNumBit->setText(QString::number(m_nNumBit));
    ShowRadio(m_groupBitSet, m_nBitSet);
    ShowSlider(m_sliderDitherLevel, m_nDitherLevel);
    m_strShownPalette = m_strPaletteFile;
    ShowPaletteChoice();
}

void CMyPropertyPage1::ShowPaletteChoice() {
    const bool computed = m_strShownPalette.isEmpty();
    (computed ? m_radioPaletteComputed : m_radioPaletteFile)->setChecked(true);
    m_labelPaletteFile->setText(computed ? QString() : QFileInfo(m_strShownPalette).fileName());
    m_labelPaletteFile->setToolTip(QDir::toNativeSeparators(m_strShownPalette));
    m_groupCount->setEnabled(computed);
    m_checkAdd16->setEnabled(computed);
    emit PaletteChoiceChanged(computed);
}

void CMyPropertyPage1::OnPaletteFromFile() {
    m_paletteDlg.m_strFileName = m_strShownPalette;
    if (m_paletteDlg.RunOpenDialog())
        m_strShownPalette = m_paletteDlg.m_strFileName;
    ShowPaletteChoice();
}

bool CMyPropertyPage1::CountInRange() const {
    bool ok = false;
    const int count = m_editNumBit->text().toInt(&ok);
    return ok && count >= kMinCount && count <= kMaxCount;
}

QString CMyPropertyPage1::RangeMessage() {
    return tr("Enter an integer between %1 and %2.").arg(kMinCount).arg(kMaxCount);
}

void CMyPropertyPage1::FocusCountEdit() {
    m_editNumBit->setFocus(Qt::OtherFocusReason);
    m_editNumBit->selectAll();
}

bool CMyPropertyPage1::StoreControls(QString* error) {
    // With a palette file the count is not used, and its edit cannot be changed.
    if (m_strShownPalette.isEmpty() && !CountInRange()) {
        if (error)
            *error = RangeMessage();
        return false;
    }
    TakeCheck(m_checkAdd16, m_bAdd16);
    TakeCombo(m_comboDitherMode, m_nDitherMode);
    if (CountInRange())
        m_nNumBit = m_editNumBit->text().toInt();
    m_strPaletteFile = m_strShownPalette;
    TakeRadio(m_groupBitSet, m_nBitSet);
    TakeSlider(m_sliderDitherLevel, m_nDitherLevel);
    return true;
}

void CMyPropertyPage1::StepCount(int delta) {
    bool ok = false;
    int count = m_editNumBit->text().toInt(&ok);
    count = ok ? count + delta : kMinCount;
    m_editNumBit->setText(QString::number(std::clamp(count, kMinCount, kMaxCount)));
}

bool CMyPropertyPage1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editNumBit) {
        if (event->type() == QEvent::FocusIn) {
            // Typing a count means choosing it. Only the radio group follows; the page's other
            // controls keep what the user has changed so far.
            m_nBitSet = 3;
            ShowRadio(m_groupBitSet, m_nBitSet);
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                StepCount(key == Qt::Key_Up ? 1 : -1);
                return true;
            }
        }
    }
    return CPanelPage::eventFilter(watched, event);
}
