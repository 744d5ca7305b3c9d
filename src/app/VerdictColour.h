#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace quorvel {

// The red of a failing value: dark on a light background, light on a dark
// one, so that it reads on either theme.
QColor failingColour(const QPalette& palette);

// A failing value in that red; a passing one in the text colour of the
// palette the widget would have anyway, which follows a change of theme.
void showVerdict(QWidget* field, bool failing);

} // namespace quorvel
