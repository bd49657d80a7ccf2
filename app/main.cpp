#include "Mainunit.h"
#include "MizelApplication.h"

int main(int argc, char *argv[])
{
    MizelApplication application(argc, argv);
    try {
        MizelApplication::setApplicationDisplayName(QStringLiteral("Mizel４"));
        TMF mainWindow;
        mainWindow.show();
        MizelApplication::execUntilClosed(mainWindow);
    } catch (...) {
        mizel::showCurrentException();
    }
    return 0;
}
