#pragma once

#include "check/ImageRecord.h"
#include "settings/SettingControls.h"

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

class QSortFilterProxyModel;

namespace Ui {
class MainWindow;
}

namespace quorvel {

class BatchModel;
class MainWindow;
class MeasureStore;
class PreferencesWindow;

namespace platform {
class DefaultsStore;
class NotificationCenter;
class Panels;
class PreviewLoader;
class Workspace;
} // namespace platform

namespace viewer {
enum class ChooserContext;
}

// The one controller of the main window and its inspector. It owns the batch
// of files under inspection and shows the check of the current one.
class QuorvelInfo : public QObject {
    Q_OBJECT
public:
    // The single controller of the process, made on first use.
    static QuorvelInfo* sharedInstance();
    // Tests build a fresh controller for each case; the program never calls this.
    static void releaseSharedInstance();

    ~QuorvelInfo() override;

    // The connections that the composition root makes before awakeFromNib.
    struct Outlets {
        MainWindow* finestra = nullptr;
        PreferencesWindow* prefWindow = nullptr;
        platform::NotificationCenter* notifications = nullptr;
        platform::Panels* panels = nullptr;
        platform::DefaultsStore* defaults = nullptr;
        platform::Workspace* workspace = nullptr; // viewer: opens the image with the chosen application
    };
    void connectOutlets(const Outlets& outlets);
    void awakeFromNib();

    // The batch: absent until the first one.
    bool hasBatch() const { return m_nomideifiles.has_value(); }
    QStringList nomideifiles() const { return m_nomideifiles.value_or(QStringList()); }
    int contatore() const { return m_contatore; }
    int totale() const { return m_totale; }

    // The image loader that every check and report goes through.
    const ImageHeaderReader& imageReader() const { return *m_reader; }
    SettingControlsView settingControls() const;
    platform::PreviewLoader* previewLoader() const { return m_preview; }

public Q_SLOTS:
    void checkImage(const QStringList& files);
    void aggiornaDatiAlNuovoSetting();
    void reCheckImage();
    void showPref();

    // New batches, and stepping through one.
    void createFromDragAndDrop(const QStringList& files);
    void applicationOpenFiles(const QStringList& files);
    void nextImage();
    void prevImage();

    // Batch: a new batch from the open panel.
    void openImage();

private:
    QuorvelInfo();

    Ui::MainWindow* form() const;
    void showCounter();
    void enableNavigation();
    void showPreview(const QImage& image);
    // The preview of the current image at the view's size in device pixels.
    QSize previewBounds() const;
    void requestPreview();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Batch: the open command, the step keys and the drop target's children.
    void connectBatchOutlets();

    QPointer<MainWindow> m_finestra;
    QPointer<PreferencesWindow> m_prefWindow;
    QPointer<platform::NotificationCenter> m_notifications;
    platform::Panels* m_panels = nullptr;
    platform::DefaultsStore* m_defaults = nullptr;
    platform::PreviewLoader* m_preview = nullptr;
    std::unique_ptr<ImageHeaderReader> m_reader;
    QString m_previewPath;   // the current image, while its preview is wanted
    QSize m_previewBounds;   // the size last asked for
    QTimer m_previewSettle;  // a resize waits for the next one before a new preview
    // Only compared, never followed: the filter also sees the window's
    // widgets while they are being destroyed.
    const QObject* m_previewView = nullptr;

    std::optional<QStringList> m_nomideifiles;
    int m_contatore = 0;
    int m_totale = 0;

    // Batch report (src/report/QuorvelInfoReport.cpp): the pre-panel, the save
    // panel and the report file.
public:
    // The text of the last confirmed report; absent before the first one.
    const std::optional<QString>& carota() const { return m_carota; }
public Q_SLOTS:
    void openReportPrePanel();
    void closeReportPrePanel();
    void doReport();
private:
    void connectReportOutlets();
    bool hasCurrentFile() const;
    std::optional<QString> m_carota;
    bool m_reportRunning = false;

    // External viewer (src/viewer/QuorvelInfoViewer.cpp): the chosen
    // application in the label and its button, and opening the current image
    // with it.
public:
    // The low 8 bits of "PreferredApp" as last read.
    std::int8_t preferredReader() const { return m_preferredReader; }
public Q_SLOTS:
    void openImageManager();
    void changeImageManager();
private:
    void connectViewerOutlets(const Outlets& outlets);
    void showViewerLabel();
    void showViewer(const std::optional<QString>& manager);
    void runViewerChooser(viewer::ChooserContext context);
    void openPanelDidEnd(const std::optional<QString>& chosen, viewer::ChooserContext context);
    void openCurrentImageWith(const QString& application);
    platform::Workspace* m_workspace = nullptr;
    std::int8_t m_preferredReader = 0;

    // Details (src/app/QuorvelInfo_Details.cpp): the details area beside the
    // inspector, filled after each check.
private:
    void showDetails(const ImageRecord& record);

    // Overview (src/app/QuorvelInfo_Overview.cpp): the whole batch as a table
    // in the first tab, measured in the background, and the verdict banner.
public:
    BatchModel* overview() const { return m_overview; }
    // The measures of the current batch (none before the first).
    const MeasureStore* measures() const { return m_measures.get(); }
public Q_SLOTS:
    // Makes the file at `index` of the batch the current image and shows its check.
    void showBatchFile(int index);
private:
    void connectOverviewOutlets();
    void showBatchInOverview();
    void rejudgeOverview();
    void showOverviewSummary();
    void showVerdictBanner(const ImageRecord& record, const RuleControls& rules, const QString& settingTitle);
    // The settings list or its selection changed without a broadcast (an add
    // or a delete): the overview, its counts and the banner say so at once.
    void describeSettingAgain();
    // The rules of the picked setting; none while no setting is picked.
    std::optional<RuleControls> pickedRules() const;
    BatchModel* m_overview = nullptr;
    QSortFilterProxyModel* m_overviewRows = nullptr;
    QString m_overviewSetting; // the setting's name when the rows were last judged
    int m_overviewMarked = -1; // the batch index that the overview last selected
    bool m_describePending = false;
    // The measures of the batch, shared by the overview and the inspector.
    std::shared_ptr<MeasureStore> m_measures;

    // Set Resolution (src/app/QuorvelInfo_SetResolution.cpp): the sheet on
    // the selected rows of the overview, and the written files taken into
    // the batch.
public Q_SLOTS:
    void openSetResolutionSheet();
private:
    void connectSetResolutionOutlets();
    // Copies join the batch after their originals; files replaced in place
    // are measured again.
    void takeWrittenFiles(const QList<QPair<QString, QString>>& originalAndWritten);
};

} // namespace quorvel
