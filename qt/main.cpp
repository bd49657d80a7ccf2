#include "Mainunit.h"
#include "MizelApplication.h"
#include "QtText.h"
#include "Texts.h"

int main(int argc, char *argv[])
{
    MizelApplication application(argc, argv);
    try {
        MizelApplication::setApplicationDisplayName(mizel::qtText(mizel::texts::applicationTitle));
        TMF mainWindow;
        mainWindow.show();
        MizelApplication::execUntilClosed(mainWindow);
    } catch (...) {
        mizel::showCurrentException();
    }
    return 0;
}
