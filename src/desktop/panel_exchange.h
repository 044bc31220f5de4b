// Moving values between page members and controls. A stored value outside a control's range
// (possible from a settings file) shows as no selection, or as the nearest slider position; a
// control without a selection leaves its member as it was instead of writing a meaningless -1.
#pragma once

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QSlider;

void ShowRadio(QButtonGroup* group, int value);
void TakeRadio(const QButtonGroup* group, int& member);
void ShowCombo(QComboBox* combo, int value);
void TakeCombo(const QComboBox* combo, int& member);
void ShowCheck(QAbstractButton* check, int value);
void TakeCheck(const QAbstractButton* check, int& member);
void ShowSlider(QSlider* slider, int value);
void TakeSlider(const QSlider* slider, int& member);
