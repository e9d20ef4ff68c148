// The link waits in Qt's event loop, so every test binary that talks over a port runs under one
// Qt application: a QCoreApplication, or for the window's tests a QApplication.
#ifdef RKT5_WIDGETS_TEST_MAIN
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv) {
#ifdef RKT5_WIDGETS_TEST_MAIN
    // The window's tests draw off screen wherever they run, CTest's test listing included.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#endif
    TestApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
