#include "x_input.h"

#ifdef TESSEL_HAVE_XTEST
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#endif

namespace tessel::test {

#ifdef TESSEL_HAVE_XTEST

bool CanSendXInput() { return true; }

bool WheelDownAt(int x, int y) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XTestFakeMotionEvent(display, -1, x, y, 0);
    constexpr unsigned int kWheelDown = 5;
    XTestFakeButtonEvent(display, kWheelDown, True, 0);
    XTestFakeButtonEvent(display, kWheelDown, False, 0);
    XFlush(display);
    XCloseDisplay(display);
    return true;
}

#else

bool CanSendXInput() { return false; }
bool WheelDownAt(int, int) { return false; }

#endif

}  // namespace tessel::test
