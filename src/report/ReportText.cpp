#include "report/ReportText.h"

#include "report/DemandText.h"

#include "platform/Log.h"
#include "platform/PathNames.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

namespace quorvel {
namespace {

const char* const context = "Report";
const QString separator = QStringLiteral("================\n");

// The texts are marked with their context where they stand, so that the
// translation tools find them.
QString looked(const char* english)
{
    return QCoreApplication::translate(context, english);
}

// The texts of one image; every field stays empty unless its box is on.
struct ReportEntry {
    QString pathLine;
    QString name;
    QString heightLine;
    QString widthLine;
    QString colourText;
    QString dpiText;
    QStringList demandLines; // one per failing print demand, indented
    bool failed = false;
};

QString colourText(ColourClass colourClass, bool fails)
{
    if (colourClass == ColourClass::Other)
        return QStringLiteral("Other\n"); // never judged, so never marked
    const QString label = QString::fromLatin1(colourLabel(colourClass));
    return fails ? label + QStringLiteral(" \t *\n") : label + QLatin1Char('\n');
}

ReportEntry entryOf(int index, const QString& file, const ImageRecord& record, const ReportOptions& options,
                    const RuleControls& rules)
{
    ReportEntry entry;
    qCInfo(lcReport).noquote() << QStringLiteral("Immagine n. %1").arg(index + 1);

    if (options.pictPath == 1) {
        entry.pathLine = file + QLatin1Char('\n');
        qCInfo(lcReport).noquote() << QStringLiteral("Path del file: %1").arg(entry.pathLine);
    }
    if (options.pictName == 1) {
        entry.pathLine = file + QLatin1Char('\n');
        // The name keeps the path line's line end.
        entry.name = lastPathComponent(entry.pathLine);
        qCInfo(lcReport).noquote() << QStringLiteral("Nome del file: %1").arg(entry.name);
    }
    const ImageMeasure& measure = record.measure;
    if (options.pictSize == 1) {
        entry.heightLine = looked(QT_TRANSLATE_NOOP("Report", "Height: %1\n")).arg(measure.pixelsHigh);
        entry.widthLine = looked(QT_TRANSLATE_NOOP("Report", "Width: %1\n")).arg(measure.pixelsWide);
        qCInfo(lcReport).noquote() << QStringLiteral("%1 x %2").arg(entry.heightLine, entry.widthLine);
    }
    // Against the controls as the report read them; it counts only the
    // verdicts that its boxes list.
    const Judgement verdicts = judge(record, rules);
    if (options.pictColor == 1) {
        entry.colourText = colourText(measure.colourClass, verdicts.colourFails);
        if (measure.colourClass != ColourClass::Other)
            qCInfo(lcReport).noquote() << entry.colourText;
        entry.failed = entry.failed || verdicts.colourFails;
    }
    if (options.pictDpi == 1) {
        const int32_t measured = record.measuredDpi;
        if (verdicts.dpiFails) {
            entry.dpiText = QStringLiteral("%1 \t * \n").arg(measured);
            entry.failed = true;
            qCInfo(lcReport).noquote() << QStringLiteral("Red dpi: %1 (su %2)").arg(measured).arg(rules.sliderValue);
        } else {
            entry.dpiText = QStringLiteral("%1\n").arg(measured);
            qCInfo(lcReport).noquote() << QString::asprintf("%4.0f", static_cast<double>(measured));
            qCInfo(lcReport).noquote() << QStringLiteral("Ok dpi: %1 (su %2)").arg(measured).arg(rules.sliderValue);
        }
    }
    // The print demands are the setting's own: judged whatever boxes are on.
    for (Demand demand : verdicts.demands.failing()) {
        entry.demandLines.append(QStringLiteral("\t%1: %2\n")
                                     .arg(demandName(demand), demandFailureText(demand, record, verdicts, rules.demands)));
        entry.failed = true;
    }
    return entry;
}

void appendEntry(QString& text, const ReportEntry& entry, const ReportOptions& options)
{
    if (options.pictPath == 1)
        text += entry.pathLine;
    if (options.pictName == 1)
        text += looked(QT_TRANSLATE_NOOP("Report", "Name: %1")).arg(entry.name);
    if (options.pictSize == 1) {
        text += entry.heightLine;
        text += entry.widthLine;
    }
    if (options.pictColor == 1)
        text += looked(QT_TRANSLATE_NOOP("Report", "Color: %1")).arg(entry.colourText);
    if (options.pictDpi == 1)
        text += looked(QT_TRANSLATE_NOOP("Report", "Dpi: %1")).arg(entry.dpiText);
    for (const QString& line : entry.demandLines)
        text += line;
    text += separator;
}

} // namespace

QString makerHost()
{
    return QStringLiteral(QUORVEL_HOST);
}

QString describePaths(const std::optional<QStringList>& files)
{
    if (!files)
        return QStringLiteral("(null)");
    QStringList quoted;
    quoted.reserve(files->size());
    for (const QString& file : *files)
        quoted.append(QLatin1Char('"') + file + QLatin1Char('"'));
    return QLatin1Char('(') + quoted.join(QLatin1String(", ")) + QLatin1Char(')');
}

void traceReportRequest(const ReportOptions& o, const ReportControls& controls)
{
    qCInfo(lcReport).noquote() << QStringLiteral("======== REPORT =========");
    qCInfo(lcReport).noquote()
        << QStringLiteral("Leggo le preferenze: Ok: %1, Wrong: %2, Path: %3, Name: %4, Size: %5, Color: %6, Dpi: %7")
               .arg(o.pictOk).arg(o.pictWrong).arg(o.pictPath).arg(o.pictName)
               .arg(o.pictSize).arg(o.pictColor).arg(o.pictDpi);
    qCInfo(lcReport).noquote() << QStringLiteral("Leggo i settings: anteprima: %1, colore: %2, dpi: %3")
                                      .arg(controls.previewState)
                                      .arg(controls.rules.selectedRow)
                                      .arg(controls.rules.sliderValue);
}

ImageRecord measureFile(const QString& path, const ImageHeaderReader& reader, bool withDetails, bool withInk)
{
    return recordImage(QFile::encodeName(path).toStdString(), reader, withDetails, withInk);
}

QList<ImageRecord> measureAll(const QStringList& files, const ImageHeaderReader& reader, QThreadPool* pool,
                              bool withDetails, bool withInk)
{
    return QtConcurrent::blockingMapped<QList<ImageRecord>>(
        pool ? pool : QThreadPool::globalInstance(), files, [&reader, withDetails, withInk](const QString& path) {
            return measureFile(path, reader, withDetails, withInk);
        });
}

ReportResult buildReport(const ReportInputs& inputs, const QList<ImageRecord>& records)
{
    Q_ASSERT(records.size() == inputs.files.size());
    const qsizetype totale = inputs.files.size();
    ReportResult result;
    QString& text = result.text;
    text.reserve(512 + totale * 160);

    text += looked(QT_TRANSLATE_NOOP("Report", "Created with Quorvel 1.4\n"));
    text += inputs.host + QLatin1Char('\n');
    text += inputs.date.toString(looked(QT_TRANSLATE_NOOP("Report", "yyyy/MM/dd - HH:mm:ss"))) + QStringLiteral("\n\n");
    text += looked(QT_TRANSLATE_NOOP("Report", "Selected Setting: %1\n\n")).arg(inputs.controls.settingTitle);
    if (inputs.controls.rules.demands.any())
        text += looked(QT_TRANSLATE_NOOP("Report", "Print checks: %1\n\n")).arg(demandsSummary(inputs.controls.rules.demands));
    text += looked(QT_TRANSLATE_NOOP("Report", "Checking (%1) files:\n\n")).arg(totale);
    text += separator;

    if (totale > 0 && records.size() == totale) {
        qCInfo(lcReport).noquote() << QStringLiteral("Totale file da censire: %1").arg(totale);
        for (qsizetype i = 0; i < totale; ++i) {
            const ReportEntry entry = entryOf(static_cast<int>(i), inputs.files.at(i), records.at(i),
                                              inputs.options, inputs.controls.rules);
            // Every image is counted once, listed or not.
            if (entry.failed)
                ++result.error;
            else
                ++result.correct;
            if (isListed(inputs.options, entry.failed))
                appendEntry(text, entry, inputs.options);
        }
    }

    text += looked(QT_TRANSLATE_NOOP("Report", "\nCorrect: %1")).arg(result.correct);
    text += looked(QT_TRANSLATE_NOOP("Report", "\nError: %1")).arg(result.error);
    return result;
}

bool writeReport(const QString& path, const QString& text, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
        if (file.commit())
            return true;
    }
    if (error)
        *error = file.errorString();
    return false;
}

} // namespace quorvel
