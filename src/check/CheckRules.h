#pragma once

#include "check/ColourClass.h"
#include "check/PrintDemands.h"

#include <cstdint>

namespace quorvel {

// The live values of the colour choice and the dpi slider that the rules read.
struct RuleControls {
    int32_t selectedRow = -1;   // 0 CMYK, 1 RGB, 2 Grayscale, -1 none selected
    bool matrixEnabled = false; // a disabled colour choice never fails a colour
    int32_t sliderValue = 0;
    // The applied setting's further demands; none unless the user set them.
    PrintDemands demands{};
};

// Resolution on the vertical axis: pixels / points * 72 in single precision,
// rounded to three decimals (so 349.99997 reads 350), then truncated toward
// zero (so 299.79 reads 299). Not finite or out of range gives INT32_MIN.
int32_t measuredDpi(int32_t pixelsHigh, float heightPoints);

// The slider's 75 demands 72; every other value is demanded as it is.
int32_t requiredDpi(int32_t sliderValue);

// Strictly below the demand fails; equal passes.
bool dpiFails(int32_t measured, int32_t required);

// For CMYK, RGB and Grayscale only: fails when the choice is enabled and its
// selected row is not the class's row. Class Other has no colour verdict.
bool colourFails(ColourClass colourClass, int32_t selectedRow, bool matrixEnabled);

} // namespace quorvel
