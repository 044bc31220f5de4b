// The host asks QCoreApplication for the program's folder, so the tests run inside one.
#include <QCoreApplication>
#include <QThreadPool>
#include <gtest/gtest.h>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_plugin_host";
        static char* argv[] = {name, nullptr};
        m_app = new QCoreApplication(argc, argv);
    }
    void TearDown() override {
        // Qt converts big images on pool threads; they must be gone before the leak checker
        // stops the process to look at its memory.
        QThreadPool::globalInstance()->waitForDone();
        // The application object is left alive: deleting it unloads Qt's image-format plug-ins,
        // whose thread-local data the leak checker then trips over at exit.
        (void)m_app;
    }

private:
    QCoreApplication* m_app = nullptr;
};

[[maybe_unused]] ::testing::Environment* const g_qt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
