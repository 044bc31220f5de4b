#include "desktop/korvo_app.h"
#include "desktop/main_frame.h"
#include "platform/large_pages.h"

#include <QAction>
#include <QApplication>

int main(int argc, char* argv[]) {
    UseLargePages(argv);
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("xKorvo"));
    QStringList files = QApplication::arguments();
    files.removeFirst();
    CKorvoApp app;
    if (!app.InitInstance(files))
        return 1;
    // Without a file the user chooses what to start with: a picture or a batch window.
    if (files.isEmpty())
        app.MainFrame()->Action(QStringLiteral("actionNew"))->trigger();
    return QApplication::exec();
}
