#include "app/korvo_app.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("xKorvo"));
    QStringList files = QApplication::arguments();
    files.removeFirst();
    CKorvoApp app;
    if (!app.InitInstance(files))
        return 1;
    return QApplication::exec();
}
