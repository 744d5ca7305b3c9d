#include "check/Resolution.h"

#include <cmath>

namespace quorvel {

double dotsPerInch(double value, ResolutionUnit unit)
{
    double dpi = value;
    switch (unit) {
    case ResolutionUnit::Inch:
        return value;
    case ResolutionUnit::Centimetre:
        dpi = value * 2.54;
        break;
    case ResolutionUnit::Metre:
        dpi = value * 0.0254;
        break;
    }
    const double whole = std::round(dpi);
    return std::fabs(dpi - whole) <= 0.03 ? whole : dpi;
}

} // namespace quorvel
