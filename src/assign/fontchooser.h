#pragma once
// The size a font chosen in the symbol font chooser gives the symbol font.

namespace assign {

// Whole points from the chooser's size in tenths of a point, a tie going to
// the even number: 105 gives 10, 115 gives 12, 125 gives 12, 120 gives 12.
int PointsFromTenths(int tenths);

}  // namespace assign
