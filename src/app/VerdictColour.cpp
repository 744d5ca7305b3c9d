#include "app/VerdictColour.h"

#include <QWidget>

namespace quorvel {

QColor failingColour(const QPalette& palette)
{
    // Both keep a contrast of at least 4.5:1 with the usual backgrounds
    // (white and the dark themes' greys).
    return palette.color(QPalette::Base).lightnessF() < 0.5 ? QColor(0xff, 0x6b, 0x6b) : QColor(0xc0, 0x00, 0x00);
}

void showVerdict(QWidget* field, bool failing)
{
    // An empty palette resolves nothing: the field inherits every colour.
    field->setPalette(QPalette());
    if (!failing)
        return;
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, failingColour(palette));
    field->setPalette(palette);
}

} // namespace quorvel
