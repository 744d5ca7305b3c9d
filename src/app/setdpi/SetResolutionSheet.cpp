#include "app/setdpi/SetResolutionSheet.h"

#include "platform/Log.h"
#include "platform/Panels.h"

#include "ui_SetResolutionSheet.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QtConcurrent/QtConcurrentRun>

namespace quorvel {

namespace write = platform::write;

namespace {
enum Column { FileColumn, NowColumn, NewColumn, PrintColumn, NoteColumn };
}

SetResolutionSheet::SetResolutionSheet(QWidget* parent, const QList<File>& files, const RuleControls& rules,
                                       platform::Panels& panels, const ImageHeaderReader& reader)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::SetResolutionSheet>())
    , m_files(files)
    , m_rules(rules)
    , m_panels(panels)
    , m_reader(reader)
{
    m_ui->setupUi(this);
    setWindowModality(Qt::WindowModal);
    m_ui->progressBar->setVisible(false);
    m_ui->dpiSpin->setMaximum(write::maxSettableDpi);
    m_ui->dpiSpin->setValue(setdpi::proposedDpi(rules));
    QTableWidget* table = m_ui->rowsTable;
    table->setRowCount(int(files.size()));
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    for (int c = NowColumn; c <= NoteColumn; ++c)
        table->horizontalHeader()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    for (const File& file : files) {
        m_formatRefusals.push_back(setdpi::refusalOfFile(file.path));
        m_stamps.push_back(write::stampOf(QFile::encodeName(file.path).toStdString()));
    }
    refreshRows();

    connect(m_ui->dpiSpin, &QSpinBox::valueChanged, this, &SetResolutionSheet::refreshRows);
    connect(m_ui->chooseFolderButton, &QPushButton::clicked, this, &SetResolutionSheet::chooseFolder);
    connect(m_ui->replaceRadio, &QRadioButton::toggled, this, [this](bool replace) {
        m_ui->backupCheck->setEnabled(replace);
        m_ui->folderEdit->setEnabled(!replace);
        m_ui->chooseFolderButton->setEnabled(!replace);
    });
    connect(m_ui->setButton, &QPushButton::clicked, this, &SetResolutionSheet::start);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &SetResolutionSheet::cancel);
    connect(&m_watcher, &QFutureWatcher<write::SetDpiOutcome>::finished, this, &SetResolutionSheet::fileDone);
}

SetResolutionSheet::~SetResolutionSheet()
{
    m_cancelled = true;
    m_watcher.waitForFinished(); // a file being written is finished, never abandoned
}

void SetResolutionSheet::refreshRows()
{
    QTableWidget* table = m_ui->rowsTable;
    m_rows.clear();
    int settable = 0;
    for (int i = 0; i < m_files.size(); ++i) {
        const File& file = m_files.at(i);
        const setdpi::SetResolutionRow row =
            setdpi::resolutionRow(file.path, file.record, m_ui->dpiSpin->value(), m_rules, m_formatRefusals.at(size_t(i)));
        m_rows.push_back(row);
        auto cell = [table, i](int column, const QString& text) {
            QTableWidgetItem* item = table->item(i, column);
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(i, column, item);
            }
            item->setText(text);
            return item;
        };
        cell(FileColumn, QFileInfo(file.path).fileName())->setToolTip(QDir::toNativeSeparators(file.path));
        cell(NowColumn, row.currentDpi ? QString::number(*row.currentDpi) : QString());
        const bool refused = row.refusal != write::SetDpiRefusal::None;
        cell(NewColumn, refused ? QString() : QString::number(row.newDpi));
        cell(PrintColumn, setdpi::printSizeText(row));
        if (refused) {
            write::SetDpiOutcome why;
            why.refusal = row.refusal;
            why.detail = tr("not readable as an image").toStdString();
            setRowNote(i, write::refusalText(why), true);
        } else {
            ++settable;
            setRowNote(i, row.stillFails ? tr("still fails the setting") : QString(), row.stillFails);
        }
    }
    m_ui->setButton->setEnabled(settable > 0 && !isWriting());
}

void SetResolutionSheet::setRowNote(int row, const QString& note, bool problem)
{
    QTableWidgetItem* item = m_ui->rowsTable->item(row, NoteColumn);
    if (!item) {
        item = new QTableWidgetItem;
        m_ui->rowsTable->setItem(row, NoteColumn, item);
    }
    item->setText(note);
    item->setForeground(problem ? QBrush(Qt::red) : QBrush());
}

void SetResolutionSheet::chooseFolder()
{
    const std::optional<QString> folder = m_panels.chooseFolder(this, tr("Save Copies In"), m_folder);
    if (!folder)
        return;
    m_folder = *folder;
    m_ui->folderEdit->setText(QDir::toNativeSeparators(m_folder));
    m_ui->copiesRadio->setChecked(true);
}

void SetResolutionSheet::start()
{
    if (isWriting())
        return;
    int settable = 0;
    for (const setdpi::SetResolutionRow& row : m_rows)
        settable += row.refusal == write::SetDpiRefusal::None;
    if (m_ui->replaceRadio->isChecked()) {
        platform::Panels::Alert alert;
        alert.style = platform::Panels::AlertStyle::Warning;
        alert.title = tr("Replace Originals");
        alert.text = settable == 1 ? tr("Replace 1 original file?") : tr("Replace %1 original files?").arg(settable);
        alert.informativeText = m_ui->backupCheck->isChecked()
            ? tr("Each original is kept as a backup beside it, its name ending in ~.")
            : tr("The originals are replaced by the files with the new resolution; no copy of them is kept.");
        alert.defaultButton = tr("Replace");
        alert.alternateButton = tr("Cancel");
        if (!m_panels.alert(this, alert))
            return;
    }
    m_ui->dpiSpin->setEnabled(false);
    m_ui->copiesRadio->setEnabled(false);
    m_ui->replaceRadio->setEnabled(false);
    m_ui->backupCheck->setEnabled(false);
    m_ui->chooseFolderButton->setEnabled(false);
    m_ui->setButton->setEnabled(false);
    m_ui->progressBar->setRange(0, int(m_files.size()));
    m_ui->progressBar->setValue(0);
    m_ui->progressBar->setVisible(true);
    m_cancelled = false;
    m_written.clear();
    m_next = 0;
    writeNext();
}

void SetResolutionSheet::writeNext()
{
    // Refused rows are passed over; a cancel ends the run before the next file.
    while (m_next < m_files.size()
           && (m_cancelled || m_rows.at(size_t(m_next)).refusal != write::SetDpiRefusal::None)) {
        if (m_cancelled && m_rows.at(size_t(m_next)).refusal == write::SetDpiRefusal::None)
            setRowNote(m_next, tr("cancelled: not written"), true);
        ++m_next;
        m_ui->progressBar->setValue(m_next);
    }
    if (m_next >= m_files.size()) {
        m_next = -1;
        m_ui->statusLabel->setText(tr("Files written: %1").arg(m_written.size()));
        m_ui->cancelButton->setText(tr("Close"));
        Q_EMIT finishedWriting(m_written);
        return;
    }
    write::SetDpiJob job;
    job.path = QFile::encodeName(m_files.at(m_next).path).toStdString();
    job.dpi = m_rows.at(size_t(m_next)).newDpi;
    job.mode = m_ui->replaceRadio->isChecked() ? write::WriteMode::InPlace : write::WriteMode::Copy;
    job.outputFolder = QFile::encodeName(m_folder).toStdString();
    job.backup = job.mode == write::WriteMode::InPlace && m_ui->backupCheck->isChecked();
    job.measured = m_stamps.at(size_t(m_next));
    m_ui->statusLabel->setText(QFileInfo(m_files.at(m_next).path).fileName());
    const ImageHeaderReader* reader = &m_reader;
    m_watcher.setFuture(QtConcurrent::run([job, reader] { return write::setRecordedResolution(job, *reader); }));
}

void SetResolutionSheet::fileDone()
{
    if (m_next < 0)
        return;
    const write::SetDpiOutcome outcome = m_watcher.result();
    if (outcome.ok()) {
        m_written.append({m_files.at(m_next).path, QFile::decodeName(QByteArray::fromStdString(outcome.writtenPath))});
        setRowNote(m_next, tr("written"), false);
    } else {
        setRowNote(m_next, write::refusalText(outcome), true);
    }
    ++m_next;
    m_ui->progressBar->setValue(m_next);
    writeNext();
}

void SetResolutionSheet::cancel()
{
    if (isWriting()) {
        m_cancelled = true;
        m_ui->statusLabel->setText(tr("Cancelling…"));
        return;
    }
    reject();
}

void SetResolutionSheet::reject()
{
    if (isWriting()) {
        cancel();
        return;
    }
    QDialog::reject();
}

void SetResolutionSheet::closeEvent(QCloseEvent* event)
{
    if (isWriting()) { // the window waits for the file being written
        m_cancelled = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace quorvel
