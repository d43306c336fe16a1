// Widget tests run without a display and with settings and state directories
// of their own, so nothing reaches the user's screen, settings or state.
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The programs record their measurements in the state folder.
    QTemporaryDir configHome;
    QTemporaryDir stateHome;
    if (!configHome.isValid() || !stateHome.isValid())
        return 2;
    setenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit().constData(), 1);
    setenv("XDG_STATE_HOME", stateHome.path().toLocal8Bit().constData(), 1);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
