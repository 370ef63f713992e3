#pragma once
// What the symbol font chooser's result turns into.

namespace assign {

// Whole points from a size in tenths of a point, a tie going to the even
// number: 105 gives 10, 115 gives 12, 125 gives 12, 120 gives 12.
int PointsFromTenths(int tenths);

}  // namespace assign
