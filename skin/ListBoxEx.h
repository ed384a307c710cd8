#pragma once
// CListBoxEx: a list whose rows the user reorders by dragging and onto which files are
// dropped. Its last row is a placeholder the owner supplies: it stays last, cannot be dragged,
// and a row dropped onto it lands just above it. Dropped paths under the base folder are shown
// relative to it.

#include <QListWidget>
#include <QStringList>

class CListBoxEx : public QListWidget
{
    Q_OBJECT
public:
    explicit CListBoxEx(QWidget* parent = nullptr);

    // The folder prefix taken off dropped paths that start with it ("" for none).
    void SetBasePrefix(const QString& prefix) { basePrefix = prefix; }
    const QString& BasePrefix() const { return basePrefix; }
    // Inserts `paths` in their order before the last row.
    void InsertFiles(const QStringList& paths);
    // The row a drag started from, -1 when none.
    int DragSource() const { return dragIndex; }

signals:
    // Rows were reordered or files inserted by the user.
    void Changed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QString basePrefix;
    QString dragText;
    int dragIndex = -1;
};
