#include "assign/fontchoice.h"

#include <cmath>

namespace assign {

// Every tie (a size ending in .5) is exact in binary, so the default rounding
// of the floating-point unit (to nearest, ties to even) decides it.
int PointsFromTenths(int tenths) { return static_cast<int>(std::nearbyint(tenths / 10.0)); }

}  // namespace assign
