// One page of the control panel. The page's member variables are the live settings; the controls
// only show them. LoadControls fills the controls from the members; StoreControls takes them back
// and gives false, with a message for the user, when a value is refused (the page stays shown).
#pragma once

#include <QString>
#include <QWidget>

class CPanelPage : public QWidget {
public:
    using QWidget::QWidget;

    virtual void LoadControls() = 0;
    [[nodiscard]] virtual bool StoreControls(QString* error) = 0;
};
