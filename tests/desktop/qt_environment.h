// One QApplication for the whole test program, made before the first test and on the main
// thread, as the widgets need. Tests run with the offscreen platform.
#pragma once

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QApplication::instance()) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            m_app = std::make_unique<QApplication>(m_argc, m_argv);
        }
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "test_app2";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};
