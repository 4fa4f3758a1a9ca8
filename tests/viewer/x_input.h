// Input for another program's window on the X server the test runs on,
// through the X test extension. Kept apart from Qt code: the X headers
// define macros that clash with Qt's names.
#pragma once

namespace tessel::test {

// True when this build can send input (the X test extension was found).
bool CanSendXInput();

// Moves the pointer to (x, y) of the screen and turns the wheel one step
// down there. False when the display cannot be opened or input is missing.
bool WheelDownAt(int x, int y);

}  // namespace tessel::test
