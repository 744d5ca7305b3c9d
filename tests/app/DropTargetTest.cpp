#include "app/InspectorFixture.h"

#include "app/QuorvelView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QWindow>
#include <QUrl>

namespace quorvel::test {
namespace {

class DropTarget : public InspectorFixture {
protected:
    QuorvelView* view() const { return qobject_cast<QuorvelView*>(mainWindow->centralWidget()); }

    static std::unique_ptr<QMimeData> filesData(const QStringList& paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data->setUrls(urls);
        return data;
    }
    static std::unique_ptr<QMimeData> textData(const QString& text)
    {
        auto data = std::make_unique<QMimeData>();
        data->setText(text);
        return data;
    }

    // What the platform's drag machinery sends; true when the widget accepted.
    bool enter(const QMimeData* data, QWidget* target = nullptr)
    {
        QDragEnterEvent event(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(target ? target : view(), &event);
        if (event.isAccepted()) {
            EXPECT_EQ(event.dropAction(), Qt::CopyAction);
        }
        return event.isAccepted();
    }
    void leave()
    {
        QDragLeaveEvent event;
        QCoreApplication::sendEvent(view(), &event);
    }
    bool drop(const QMimeData* data, QWidget* target = nullptr)
    {
        QDropEvent event(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target ? target : view(), &event);
        return event.isAccepted();
    }
};

TEST_F(DropTarget, DroppedFilesBecomeTheBatchInTheirOrder)
{
    const QString a = image(QStringLiteral("a.png"), {.height = 11});
    const QString b = image(QStringLiteral("b.tif"), {.height = 12});
    const QString folder = dir.path();
    ui()->tabelleVista->setCurrentIndex(0);
    TraceRecorder traces;

    ASSERT_NE(view(), nullptr) << "the central widget is the drop target";
    EXPECT_FALSE(view()->highligh());
    const auto data = filesData({b, folder, a});
    ASSERT_TRUE(enter(data.get()));
    EXPECT_TRUE(view()->highligh());
    EXPECT_TRUE(drop(data.get()));
    EXPECT_FALSE(view()->highligh());

    EXPECT_EQ(info->nomideifiles(), (QStringList{b, folder, a}));
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/3"));
    EXPECT_EQ(ui()->quorHeight->text(), QStringLiteral("12"));
    EXPECT_EQ(ui()->tabelleVista->currentIndex(), 1);
    const QStringList lines = traces.lines();
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines.mid(0, 6), (QStringList{QStringLiteral("entro"), QStringLiteral("preparo"), QStringLiteral("OK"),
                                            QStringLiteral("eseguo"), QStringLiteral("CRIBBIO!!"),
                                            QStringLiteral("#####################")}));

    // The folder measures as an unreadable file.
    info->nextImage();
    EXPECT_EQ(ui()->quorHeight->text(), QStringLiteral("0"));
}

// Drags delivered to the main window as the platform delivers them: the
// window finds the widget under the pointer that takes drops. Whatever part
// of the inspector a drag crosses, the drop target alone handles it.
TEST_F(DropTarget, ADragAcrossTheInspectorIsTheDropTargetsAlone)
{
    const QStringList three{image(QStringLiteral("a.png"), {}), image(QStringLiteral("b.png"), {}),
                            image(QStringLiteral("c.png"), {})};
    const QString one = image(QStringLiteral("one.png"), {});
    mainWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));
    ui()->tabelleVista->setCurrentIndex(1);
    QWindow* window = mainWindow->windowHandle();
    ASSERT_NE(window, nullptr);

    // Enters over one field, crosses `over`, and drops over another field.
    const auto dragOver = [&](QWidget* over, const QStringList& files) {
        const auto data = filesData(files);
        const auto at = [&](QWidget* widget) { return widget->mapTo(mainWindow.get(), widget->rect().center()); };
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enterEvent(at(ui()->quorHeight), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &enterEvent);
        for (QWidget* widget : std::initializer_list<QWidget*>{over, ui()->namesLocation}) {
            QDragMoveEvent moveEvent(at(widget), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(window, &moveEvent);
        }
        QDropEvent dropEvent(at(ui()->namesLocation), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &dropEvent);
    };

    for (QWidget* over : std::initializer_list<QWidget*>{ui()->details, ui()->quorColor, ui()->inspectorQuorvel}) {
        SCOPED_TRACE(over->objectName().toStdString());
        TraceRecorder traces;
        dragOver(over, three);
        EXPECT_EQ(traces.lines().mid(0, 4), (QStringList{QStringLiteral("entro"), QStringLiteral("preparo"),
                                                         QStringLiteral("OK"), QStringLiteral("eseguo")}))
            << "one enter, no leave: nothing on the way took the drag";
        EXPECT_EQ(info->nomideifiles(), three);
        EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/3"));
        EXPECT_TRUE(ui()->nextButton->isEnabled());

        // One file over a batch of several: no counter, no stepping.
        dragOver(over, {one});
        EXPECT_EQ(info->nomideifiles(), QStringList{one});
        EXPECT_EQ(ui()->myCount->text(), QString());
        EXPECT_FALSE(ui()->prevButton->isEnabled());
        EXPECT_FALSE(ui()->nextButton->isEnabled());
        EXPECT_FALSE(ui()->nextAction->isEnabled());
    }
}

TEST_F(DropTarget, ALeavingDragTracesEnterAndExit)
{
    const auto data = filesData({image(QStringLiteral("a.png"), {})});
    TraceRecorder traces;
    ASSERT_TRUE(enter(data.get()));
    leave();
    EXPECT_FALSE(view()->highligh());
    EXPECT_EQ(traces.lines(), (QStringList{QStringLiteral("entro"), QStringLiteral("esco")}));
    EXPECT_FALSE(info->hasBatch());
}

TEST_F(DropTarget, ADropWithoutLocalFilesIsRefusedAndNeverReachesTheController)
{
    const QStringList earlier{image(QStringLiteral("earlier.png"), {}), image(QStringLiteral("later.png"), {})};
    info->createFromDragAndDrop(earlier);
    TraceRecorder traces;

    auto remote = std::make_unique<QMimeData>();
    remote->setUrls({QUrl(QStringLiteral("https://example.com/a.png")), QUrl(QStringLiteral("ftp://host/b.tif"))});
    ASSERT_TRUE(enter(remote.get()));
    EXPECT_FALSE(drop(remote.get()));
    EXPECT_EQ(traces.lines(), (QStringList{QStringLiteral("entro"), QStringLiteral("preparo"), QStringLiteral("Doh!")}));
    EXPECT_FALSE(view()->highligh());

    // Text alone is not taken in at all, so it is never dropped here.
    traces.clear();
    const auto text = textData(QStringLiteral("/tmp/a.png"));
    EXPECT_FALSE(enter(text.get()));
    EXPECT_FALSE(drop(text.get()));
    EXPECT_TRUE(traces.lines().isEmpty());

    EXPECT_EQ(info->nomideifiles(), earlier);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/2"));
}

TEST_F(DropTarget, RemoteAddressesInAMixedDragAreLeftOut)
{
    const QString a = image(QStringLiteral("a.png"), {});
    const QString b = image(QStringLiteral("b.png"), {});
    auto data = std::make_unique<QMimeData>();
    data->setUrls({QUrl(QStringLiteral("http://example.com/x.png")), QUrl::fromLocalFile(a),
                   QUrl(QStringLiteral("sftp://host/y.png")), QUrl::fromLocalFile(b)});
    ASSERT_TRUE(enter(data.get()));
    EXPECT_TRUE(drop(data.get()));
    EXPECT_EQ(info->nomideifiles(), (QStringList{a, b}));
}

// A file manager's list, percent-encoded, with a comment line and CRLF ends.
TEST_F(DropTarget, OddNamesSurviveTheFileManagersList)
{
    const QStringList names{QStringLiteral("with space.png"), QStringLiteral("100% sure%20.png"),
                            QStringLiteral("quote\"d 'it'#1?.png"), QString::fromUtf8("ünïcødé 日本.png")};
    QStringList paths;
    QByteArray list = "# dragged from the file manager\r\n";
    for (const QString& name : names) {
        paths << dir.filePath(name);
        list += QUrl::fromLocalFile(paths.constLast()).toEncoded() + "\r\n";
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("text/uri-list"), list);
    data->setText(paths.join(QLatin1Char('\n')));
    EXPECT_EQ(QuorvelView::droppedFiles(data.get()), paths);

    ASSERT_TRUE(enter(data.get()));
    EXPECT_TRUE(drop(data.get()));
    EXPECT_EQ(info->nomideifiles(), paths);
    EXPECT_EQ(ui()->namesLocation->text(), names.constFirst());
}

TEST_F(DropTarget, TracesItsRemoval)
{
    TraceRecorder traces;
    mainWindow.reset();
    ASSERT_EQ(traces.lines().size(), 1);
    EXPECT_TRUE(traces.lines().constFirst().startsWith(QStringLiteral("distruggo quorvel::QuorvelView(0x")));
    EXPECT_TRUE(traces.lines().constFirst().contains(QStringLiteral("dropTarget")));
}

} // namespace
} // namespace quorvel::test
