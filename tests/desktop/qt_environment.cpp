#include "tests/desktop/qt_environment.h"

// Registered before main runs, so every test finds the application object.
static ::testing::Environment* const g_qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);
