// The choice New offers, since the program has two kinds of document: a picture window or a
// batch window, listed as "Picture" and "Batch".
#pragma once

#include <QDialog>

class QListWidget;

class CNewTypeDialog : public QDialog {
    Q_OBJECT
public:
    enum Choice { Image = 0, Batch = 1 };

    explicit CNewTypeDialog(QWidget* parent = nullptr);
    // The chosen kind; meaningful after OK.
    Choice GetChoice() const;
    QListWidget* List() const { return m_pList; }

private:
    QListWidget* m_pList;
};
