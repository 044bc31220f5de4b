#include "desktop/panel_page_engine.h"

#include "desktop/axis_icons.h"
#include "desktop/panel_exchange.h"
#include "quant/quant_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// The pass count the spin box offers while refinement is off.
constexpr int kDefaultRefinePasses = 4;

QWidget* IconLabel(ColorAxis axis, bool vivid, QWidget* parent) {
    return new CAxisIcon(axis, vivid, parent);
}

} // namespace

CMyPropertyPage2::CMyPropertyPage2(QWidget* parent) : CPanelPage(parent) {
    setObjectName(QStringLiteral("pageEngine"));

    auto* group = new QGroupBox(tr("Quantizer color engine settings"), this);
    auto* grid = new QGridLayout(group);
    struct Row {
        QSlider** slider;
        ColorAxis axis;
        const char* name;
    };
    const Row rows[] = {{&m_sliderWB, ColorAxis::WhiteBlack, "sliderMagWB"},
                        {&m_sliderYB, ColorAxis::YellowBlue, "sliderMagYB"},
                        {&m_sliderCR, ColorAxis::CyanRed, "sliderMagCR"},
                        {&m_sliderGM, ColorAxis::GreenMagenta, "sliderMagGM"}};
    int line = 0;
    for (const Row& row : rows) {
        auto* slider = new QSlider(Qt::Horizontal, group);
        slider->setObjectName(QString::fromLatin1(row.name));
        slider->setRange(0, 20);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setTickInterval(2);
        slider->setPageStep(1);
        *row.slider = slider;
        grid->addWidget(IconLabel(row.axis, false, group), line, 0);
        grid->addWidget(slider, line, 1, 1, 2);
        grid->addWidget(IconLabel(row.axis, true, group), line, 3);
        ++line;
    }
    m_sliderWB->setEnabled(false);
    m_sliderWB->setFocusPolicy(Qt::NoFocus);

    m_comboInBit = new QComboBox(group);
    m_comboInBit->setObjectName(QStringLiteral("comboInBit"));
    m_comboInBit->addItems({QStringLiteral("5 bit"), QStringLiteral("6 bit"),
                            QStringLiteral("7 bit"), QStringLiteral("8 bit")});
    m_comboOutBit = new QComboBox(group);
    m_comboOutBit->setObjectName(QStringLiteral("comboOutBit"));
    m_comboOutBit->addItems({QStringLiteral("Web"), QStringLiteral("332"), QStringLiteral("333"),
                             QStringLiteral("444"), QStringLiteral("555"), QStringLiteral("565"),
                             QStringLiteral("666"), QStringLiteral("777"), QStringLiteral("888")});
    auto* reset = new QPushButton(tr("Reset"), group);
    reset->setObjectName(QStringLiteral("buttonReset"));
    reset->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, &CMyPropertyPage2::OnReset);

    grid->addWidget(new QLabel(tr("Input precision"), group), line, 0, 1, 2);
    grid->addWidget(m_comboInBit, line, 2);
    grid->addWidget(reset, line, 3, 2, 1);
    ++line;
    grid->addWidget(new QLabel(tr("Output precision"), group), line, 0, 1, 2);
    grid->addWidget(m_comboOutBit, line, 2);

    // Off by default: refined palettes are closer to the picture but take longer, and existing
    // settings files keep their results.
    auto* refine = new QGroupBox(tr("Palette refinement"), this);
    auto* refineRow = new QHBoxLayout(refine);
    m_checkRefine = new QCheckBox(tr("Refine palette"), refine);
    m_checkRefine->setObjectName(QStringLiteral("checkRefine"));
    m_spinRefinePasses = new QSpinBox(refine);
    m_spinRefinePasses->setObjectName(QStringLiteral("spinRefinePasses"));
    m_spinRefinePasses->setRange(1, kMaxRefinePasses);
    m_spinRefinePasses->setSuffix(tr(" passes"));
    connect(m_checkRefine, &QCheckBox::toggled, this,
            [this] { ShowComputedPaletteControls(m_bComputedPalette); });
    refineRow->addWidget(m_checkRefine);
    refineRow->addWidget(m_spinRefinePasses);
    refineRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(refine);
    layout->addStretch();
}

void CMyPropertyPage2::LoadControls() {
    ShowCombo(m_comboInBit, m_nInBit);
    ShowCombo(m_comboOutBit, m_nOutBit);
    ShowSlider(m_sliderCR, m_nMagCR);
    ShowSlider(m_sliderGM, m_nMagGM);
    ShowSlider(m_sliderWB, m_nMagWB);
    ShowSlider(m_sliderYB, m_nMagYB);
    // A stored count above the range shows as the largest; none or a negative one as off.
    m_checkRefine->setChecked(m_nRefinePasses > 0);
    m_spinRefinePasses->setValue(m_nRefinePasses > 0 ? m_nRefinePasses : kDefaultRefinePasses);
    ShowComputedPaletteControls(m_bComputedPalette);
}

void CMyPropertyPage2::ShowComputedPaletteControls(bool computed) {
    m_bComputedPalette = computed;
    for (QWidget* control :
         {static_cast<QWidget*>(m_comboInBit), static_cast<QWidget*>(m_comboOutBit),
          static_cast<QWidget*>(m_checkRefine)})
        control->setEnabled(computed);
    m_spinRefinePasses->setEnabled(computed && m_checkRefine->isChecked());
}

bool CMyPropertyPage2::StoreControls(QString*) {
    TakeCombo(m_comboInBit, m_nInBit);
    TakeCombo(m_comboOutBit, m_nOutBit);
    TakeSlider(m_sliderCR, m_nMagCR);
    TakeSlider(m_sliderGM, m_nMagGM);
    // The white-black slider cannot be moved: its stored value goes back unchanged, even one
    // outside the slider's range.
    TakeSlider(m_sliderYB, m_nMagYB);
    m_nRefinePasses = m_checkRefine->isChecked() ? m_spinRefinePasses->value() : 0;
    return true;
}

void CMyPropertyPage2::OnReset() {
    m_nInBit = 3;
    m_nOutBit = 8;
    m_nMagCR = m_nMagGM = m_nMagWB = m_nMagYB = 10;
    LoadControls();
}
