// The about box: the program's icon, description and version on the first line, copyright and
// company on the second, and OK. Shown by the About command and on the first start of a version.
#pragma once

#include <QDialog>

class QLabel;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QString FirstLine() const;
    QString SecondLine() const;

private:
    QLabel* m_pLine1;
    QLabel* m_pLine2;
};
