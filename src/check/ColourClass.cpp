#include "check/ColourClass.h"

namespace quorvel {

ColourClass classifyColourSpace(const std::optional<std::string>& name)
{
    if (!name)
        return ColourClass::Other;
    if (*name == colourspace::cmyk)
        return ColourClass::CMYK;
    if (*name == colourspace::rgb)
        return ColourClass::RGB;
    if (*name == colourspace::grayscale)
        return ColourClass::Grayscale;
    return ColourClass::Other;
}

int matrixRow(ColourClass colourClass)
{
    switch (colourClass) {
    case ColourClass::CMYK: return 0;
    case ColourClass::RGB: return 1;
    case ColourClass::Grayscale: return 2;
    case ColourClass::Other: break;
    }
    return -1;
}

std::string_view colourLabel(ColourClass colourClass)
{
    switch (colourClass) {
    case ColourClass::CMYK: return "CMYK";
    case ColourClass::RGB: return "RGB";
    case ColourClass::Grayscale: return "Grayscale";
    case ColourClass::Other: break;
    }
    return {};
}

} // namespace quorvel
