#include "MizelApplication.h"

#include <gtest/gtest.h>

// The window's tests need the real application object: it carries the font
// substitutions and the default error display.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    MizelApplication application(argc, argv);
    MizelApplication::setApplicationDisplayName(QStringLiteral("Mizel４"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
