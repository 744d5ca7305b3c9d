#pragma once

namespace quorvel {

enum class ResolutionUnit { Inch, Centimetre, Metre };

// A recorded resolution in dots per inch. Per inch is used as recorded; a
// metric value is converted (2.54 cm to the inch) and snaps to a whole number
// within 0.03 dpi of it: PNG keeps 300 dpi as 11811 px/m (299.9994 dpi).
double dotsPerInch(double value, ResolutionUnit unit);

} // namespace quorvel
