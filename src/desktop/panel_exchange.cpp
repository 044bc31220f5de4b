#include "desktop/panel_exchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QSlider>

void ShowRadio(QButtonGroup* group, int value) {
    if (QAbstractButton* button = group->button(value)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied while exclusive.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons())
        b->setChecked(false);
    group->setExclusive(true);
}

void TakeRadio(const QButtonGroup* group, int& member) {
    const int id = group->checkedId();
    if (id >= 0)
        member = id;
}

void ShowCombo(QComboBox* combo, int value) {
    combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
}

void TakeCombo(const QComboBox* combo, int& member) {
    if (combo->currentIndex() >= 0)
        member = combo->currentIndex();
}

void ShowCheck(QAbstractButton* check, int value) {
    check->setChecked(value != 0);
}

void TakeCheck(const QAbstractButton* check, int& member) {
    member = check->isChecked() ? 1 : 0;
}

void ShowSlider(QSlider* slider, int value) {
    slider->setValue(value);
} // the slider clamps

void TakeSlider(const QSlider* slider, int& member) {
    member = slider->value();
}
