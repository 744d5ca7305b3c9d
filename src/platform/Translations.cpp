#include "platform/Translations.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace quorvel::platform {
namespace {

// Owned here rather than by the application object, so they can be swapped.
std::unique_ptr<QTranslator>& ownTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& qtTranslator()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

bool installTranslations(const QLocale& locale)
{
    removeTranslations();

    auto own = std::make_unique<QTranslator>();
    if (!own->load(locale, QStringLiteral("quorvel"), QStringLiteral("_"), translationsResource))
        return false; // English: the keys are the wording
    QCoreApplication::installTranslator(own.get());
    const QLocale language(own->language());
    ownTranslator() = std::move(own);

    // Qt's standard dialogs in the same language, not in another one that
    // the program itself does not speak.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        qtTranslator() = std::move(qt);
    } else {
        qCDebug(lcPlatform) << "no Qt translation for" << language.name();
    }
    return true;
}

void removeTranslations()
{
    for (std::unique_ptr<QTranslator>* translator : {&qtTranslator(), &ownTranslator()}) {
        if (*translator) {
            QCoreApplication::removeTranslator(translator->get());
            translator->reset();
        }
    }
}

} // namespace quorvel::platform
