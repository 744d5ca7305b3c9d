// The Italian wording: which texts follow the user's language and which stay
// as they are, and whether the translation source is complete.
#include "app/QuorvelInfo.h"
#include "app/overview/VerdictText.h"
#include "info/AboutController.h"
#include "info/QuorvelCheck.h"
#include "platform/Translations.h"
#include "report/ReportText.h"
#include "settings/PrefManager.h"
#include "settings/SettingsList.h"
#include "support/MemoryDefaultsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

const QLocale kItalian(QLocale::Italian, QLocale::Italy);
const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

class Localisation : public ::testing::Test {
protected:
    void TearDown() override { platform::removeTranslations(); }
    static void italian() { ASSERT_TRUE(platform::installTranslations(kItalian)); }
};

QStringList names(const QList<Setting>& settings)
{
    QStringList result;
    for (const Setting& setting : settings)
        result << setting.name;
    return result;
}

const QStringList kEnglishPresets{QStringLiteral("None"), QStringLiteral("Pre-Press"), QStringLiteral("Web"),
                                  QStringLiteral("BWPhotos"), QStringLiteral("Pencil")};
const QStringList kItalianPresets{QStringLiteral("Nessuna"), QStringLiteral("Prestampa"), QStringLiteral("Web"),
                                  QStringLiteral("Foto B/N"), QStringLiteral("Matita")};

struct LocaleCase {
    const char* name;
    QLocale locale;
    bool found;
};

class ChosenLanguage : public Localisation, public ::testing::WithParamInterface<LocaleCase> {};

TEST_P(ChosenLanguage, ItalianForEveryItalianLocaleOnly)
{
    const LocaleCase c = GetParam();
    EXPECT_EQ(platform::installTranslations(c.locale), c.found);
    EXPECT_EQ(names(SettingsList::presets()), c.found ? kItalianPresets : kEnglishPresets);
}

INSTANTIATE_TEST_SUITE_P(, ChosenLanguage, ::testing::Values(
    LocaleCase{"Italy", kItalian, true},
    LocaleCase{"Switzerland", QLocale(QLocale::Italian, QLocale::Switzerland), true},
    LocaleCase{"English", kEnglish, false},
    LocaleCase{"German", QLocale(QLocale::German, QLocale::Germany), false},
    LocaleCase{"C", QLocale::c(), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Localisation, ALanguageWithoutTranslationUndoesAnEarlierOne)
{
    italian();
    ASSERT_EQ(QCoreApplication::translate("Settings", "Pencil"), QStringLiteral("Matita"));
    EXPECT_FALSE(platform::installTranslations(kEnglish));
    EXPECT_EQ(QCoreApplication::translate("Settings", "Pencil"), QStringLiteral("Pencil"));
}

// The translation tools name a class's texts after the class as they read it
// in the source; the program looks them up under its run-time name.
TEST_F(Localisation, ControllersFindTheirTextsUnderTheirClassNames)
{
    italian();
    EXPECT_EQ(QuorvelInfo::tr("Save Report"), QStringLiteral("Salva rapporto"));
    EXPECT_EQ(QuorvelInfo::tr("Select"), QStringLiteral("Seleziona"));
    EXPECT_EQ(PrefManager::tr("Really delete %@ setting?"), QStringLiteral("Eliminare davvero l’impostazione %@?"));
    EXPECT_EQ(QuorvelCheck::tr("Not connected."), QStringLiteral("Non connesso."));
    EXPECT_EQ(AboutController::tr("Version %1"), QStringLiteral("Versione %1"));
}

TEST_F(Localisation, QtsOwnDialogsFollowOnlyInTheProgramsLanguage)
{
    const QString qtTranslations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(qtTranslations + QStringLiteral("/qtbase_it.qm"))
        || !QFile::exists(qtTranslations + QStringLiteral("/qtbase_de.qm")))
        GTEST_SKIP() << "Qt's own translations are not installed";
    italian();
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annulla"));
    // German has a Qt translation but none of the program's: all stays English.
    EXPECT_FALSE(platform::installTranslations(QLocale(QLocale::German, QLocale::Germany)));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

TEST_F(Localisation, AFreshListNamesThePresetsInItalianWithTheirValues)
{
    italian();
    MemoryDefaultsStore store;
    const SettingsList list(store);
    EXPECT_EQ(list.names(), kItalianPresets);
    EXPECT_EQ(list.valuesAt(1), (SettingValues{1, 0, 300, 0}));
    EXPECT_EQ(list.valuesAt(3), (SettingValues{1, 2, 150, 0}));
    EXPECT_FALSE(store.contains(SettingsList::storeKey));
}

TEST_F(Localisation, AStoredListKeepsTheNamesItWasStoredWith)
{
    MemoryDefaultsStore store;
    SettingsList(store).append(QStringLiteral("Mine"), {0, 2, 240, 0}); // stored under English

    italian();
    const SettingsList reloaded(store);
    EXPECT_EQ(reloaded.names(), kEnglishPresets + QStringList{QStringLiteral("Mine")});

    // And the other way round: stored under Italian, read under English.
    MemoryDefaultsStore italianStore;
    SettingsList(italianStore).removeFirst(QStringLiteral("Matita"));
    platform::removeTranslations();
    EXPECT_EQ(SettingsList(italianStore).names(), kItalianPresets.mid(0, 4));
}

TEST_F(Localisation, TheCountsLineTakesTheLanguagesPluralForms)
{
    italian();
    const RuleControls web{1, true, 72};
    struct Line {
        BatchCounts counts;
        const char* text;
    };
    const Line lines[] = {
        {{1, 1, 0, 0, 0}, "1 immagine: 1 conforme, 0 non conformi, 0 illeggibili, verificata rispetto a Web (RGB, 72 dpi)"},
        {{3, 1, 1, 1, 0}, "3 immagini: 1 conforme, 1 non conforme, 1 illeggibile, verificate rispetto a Web (RGB, 72 dpi)"},
        {{5, 2, 2, 0, 1},
         "5 immagini: 2 conformi, 2 non conformi, 0 illeggibili, 1 ancora in lettura, verificate rispetto a Web (RGB, 72 dpi)"},
    };
    for (const Line& line : lines)
        EXPECT_EQ(batchSummaryText(line.counts, web, QStringLiteral("Web")).toStdString(), line.text);
    EXPECT_EQ(batchSummaryText({6, 0, 0, 0, 0, 6}, std::nullopt, QString()).toStdString(),
              "6 immagini, nessuna impostazione scelta: scegline una qui sopra");
}

TEST_F(Localisation, TheReportsLabelsAreItalianItsDataAsTheyAre)
{
    italian();
    const ImageMeasure cover{3600, 2400, 720.0f, std::string("DeviceCMYK"), ColourClass::CMYK};
    const ImageMeasure web{600, 800, 600.0f, std::string("CalibratedRGB"), ColourClass::RGB};
    const ReportInputs inputs{{QStringLiteral("/Volumi/Lavoro/copertina.tif"), QStringLiteral("/Volumi/Lavoro/web.jpg")},
                              ReportOptions{1, 1, 1, 1, 1, 1, 1},
                              ReportControls{RuleControls{0, true, 300}, 1, QStringLiteral("Pre-Press")},
                              QDateTime(QDate(2026, 3, 14), QTime(9, 5, 7)),
                              QStringLiteral("www.example.org")};
    const ReportResult result = buildReport(inputs, {makeRecord(cover), makeRecord(web)});
    // The setting's title is data: inserted as the pop-up shows it.
    EXPECT_EQ(result.text.toStdString(),
              "Creato con Quorvel 1.4\n"
              "www.example.org\n"
              "14/03/2026 - 09:05:07\n\n"
              "Impostazione selezionata: Pre-Press\n\n"
              "File da controllare (2):\n\n"
              "================\n"
              "/Volumi/Lavoro/copertina.tif\n"
              "Nome: copertina.tif\n"
              "Altezza: 3600\n"
              "Larghezza: 2400\n"
              "Colore: CMYK\n"
              "Dpi: 360\n"
              "================\n"
              "/Volumi/Lavoro/web.jpg\n"
              "Nome: web.jpg\n"
              "Altezza: 600\n"
              "Larghezza: 800\n"
              "Colore: RGB \t *\n"
              "Dpi: 72 \t * \n"
              "================\n"
              "\nCorrette: 1"
              "\nErrate: 1");
}

// What a translation must keep of its source: the placeholders the code
// fills in (each as often), and the line ends at either end, which the
// report's layout depends on.
QStringList placeholders(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral("%(?:\\d+|@)"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found << it.next().captured();
    found.sort();
    return found;
}

QString edges(const QString& text)
{
    static const QRegularExpression ends(QStringLiteral("^(\\n*).*?(\\n*)$"),
                                         QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = ends.match(text);
    return m.captured(1) + QLatin1Char('|') + m.captured(2);
}

struct Message {
    QString context;
    QString source;
    QString translation;
    QString type;
    bool numerus = false;
    QStringList forms; // the plural forms of a numerus message
};

QList<Message> readTs(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Message> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            messages.append({context, {}, {}, {}});
            messages.last().numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
        } else if (xml.name() == QLatin1String("source") && !messages.isEmpty()) {
            messages.last().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !messages.isEmpty()) {
            messages.last().type = xml.attributes().value(QLatin1String("type")).toString();
            if (!messages.last().numerus)
                messages.last().translation = xml.readElementText();
        } else if (xml.name() == QLatin1String("numerusform") && !messages.isEmpty()) {
            messages.last().forms << xml.readElementText();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return messages;
}

TEST(TranslationSource, EveryTextHasAFinishedTranslationThatKeepsItsPlaceholders)
{
    const QStringList files = QStringLiteral(QUORVEL_TS_FILES).split(QLatin1Char(','));
    for (const QString& path : files) {
        const QList<Message> messages = readTs(path);
        ASSERT_GT(messages.size(), 100) << path.toStdString();
        for (const Message& m : messages) {
            const std::string where = (m.context + QStringLiteral(" / ") + m.source).toStdString();
            EXPECT_TRUE(m.type.isEmpty()) << where << " is " << m.type.toStdString();
            // Each plural form is a whole translation of its own.
            const QStringList translations = m.numerus ? m.forms : QStringList{m.translation};
            EXPECT_EQ(translations.size(), m.numerus ? 2 : 1) << where << ": Italian has one and many";
            for (const QString& translation : translations) {
                EXPECT_FALSE(translation.isEmpty()) << where;
                EXPECT_EQ(placeholders(translation).join(u' ').toStdString(), placeholders(m.source).join(u' ').toStdString()) << where;
                EXPECT_EQ(edges(translation).toStdString(), edges(m.source).toStdString()) << where;
                EXPECT_EQ(translation.contains(QLatin1String("%n")), m.source.contains(QLatin1String("%n"))) << where;
            }
        }
    }
}

} // namespace
} // namespace quorvel::test
