#include <QGuiApplication>

int RunViewGeometryTests(int argc, char** argv);
int RunDisplayImageTests(int argc, char** argv);

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    int failures = RunViewGeometryTests(argc, argv);
    failures += RunDisplayImageTests(argc, argv);
    return failures;
}
