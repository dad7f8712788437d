// Program start on Windows: the one window, centred, until it is closed.
#include "app/win32/converter.h"
#include "platform/win32_desktop.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    brisel::Win32Desktop desktop;
    converter window(desktop);
    desktop.setOwner(window.handle());
    window.show(show);
    return runMessageLoop(window.handle());
}
