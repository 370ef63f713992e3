#pragma once
// Mouse-button-down procedures of controls, in the old toolkit's terms: the
// button (1 left, 2 right, 4 middle), the shift keys (1 Shift, 2 Ctrl, 4 Alt)
// and the position in twips within the control.
#include <functional>

class QWidget;

namespace platform {

enum MouseButton : int { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

using MouseDownProcedure = std::function<void(int button, int shift, float x, float y)>;

// Calls `procedure` whenever a mouse button goes down on `control`, before the
// control itself sees the press (so a left press runs it, then the click).
void OnMouseDown(QWidget* control, MouseDownProcedure procedure);

}  // namespace platform
