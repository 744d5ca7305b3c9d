#pragma once

#include <QStringList>
#include <QWidget>

class QMimeData;

namespace quorvel {

// The area of the main window that takes dropped files: it hands the local
// files of a drop to the main window controller as a new batch. It paints
// nothing; what lies beneath shows through.
class QuorvelView : public QWidget {
    Q_OBJECT
public:
    explicit QuorvelView(QWidget* parent = nullptr);
    ~QuorvelView() override;

    // True while a drag hovers over the view.
    bool highligh() const { return m_highligh; }

    // The local files that a drag carries, in its order; remote addresses are left out.
    static QStringList droppedFiles(const QMimeData* data);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool m_highligh = false;
};

} // namespace quorvel
