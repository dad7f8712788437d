// Runs the window tests headless, inside one QApplication.
#include "platform/qt_desktop.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    brisel::installGermanTexts(app);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
