#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    // Tests never put windows on the user's desktop, however they are started.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
