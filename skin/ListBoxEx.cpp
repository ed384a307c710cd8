#include "ListBoxEx.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

CListBoxEx::CListBoxEx(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // One line a row: long lists lay out without measuring every row.
    setUniformItemSizes(true);
    setDragEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void CListBoxEx::InsertFiles(const QStringList& paths)
{
    int at = std::max(count() - 1, 0);
    for (QString path : paths) {
        // Only a path that begins with the base folder is made relative to it.
        if (!basePrefix.isEmpty() && path.startsWith(basePrefix))
            path.remove(0, basePrefix.size());
        insertItem(at++, path);
    }
    if (!paths.isEmpty())
        emit Changed();
}

void CListBoxEx::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    const int row = currentRow();
    if (event->button() != Qt::LeftButton || row < 0 || row == count() - 1) {
        dragIndex = -1;
        return;
    }
    dragIndex = row;
    dragText = item(row)->text();
}

void CListBoxEx::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    const int source = std::exchange(dragIndex, -1);
    int target = currentRow();
    if (source < 0 || target < 0 || event->button() != Qt::LeftButton)
        return;
    // The placeholder stays last: a row dropped on it goes just above it.
    if (target == count() - 1)
        target = count() - 2;
    if (target == source || target < 0)
        return;
    delete takeItem(source);
    insertItem(target, dragText);
    setCurrentRow(target);
    emit Changed();
}

void CListBoxEx::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

void CListBoxEx::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

void CListBoxEx::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    QStringList paths;
    if (data->hasUrls()) {
        for (const QUrl& url : data->urls())
            paths << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    } else if (data->hasText()) {
        paths << data->text();
    }
    if (paths.isEmpty())
        return;
    InsertFiles(paths);
    event->acceptProposedAction();
}
