#pragma once

#include <QLocale>
#include <QString>

namespace quorvel::platform {

// The program's wording in the user's language. The translations are built
// into the program (resource folder below); Qt's own, for its standard
// dialogs, come from Qt's translations folder when that language is there.
inline const QString translationsResource = QStringLiteral(":/quorvel/translations");

// Installs the translation for `locale`, the first of its UI languages that
// has one (the system locale follows LC_ALL, LC_MESSAGES, LANG and
// LANGUAGE), then Qt's own for the same language. What an earlier call
// installed is removed first, so a language without a translation leaves
// every looked-up text at its English key. Returns whether the program's own
// translation was found. Call it before the windows are built: forms take
// their texts when they are set up.
bool installTranslations(const QLocale& locale = QLocale::system());

// Removes what installTranslations put in place.
void removeTranslations();

} // namespace quorvel::platform
