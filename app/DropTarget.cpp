#include "DropTarget.h"

#include "Messages.h"
#include "platform/WindowMessage.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

bool COleDropTargetFile::Register(QWidget* target)
{
    owner = target;
    owner->setAcceptDrops(true);
    owner->installEventFilter(this);
    return true;
}

bool COleDropTargetFile::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != owner)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QMimeData* data = drop->mimeData();
        if (data->hasUrls()) {
            paths.clear();
            for (const QUrl& url : data->urls())
                paths << (url.isLocalFile() ? url.toLocalFile() : url.toString());
        } else if (data->hasText()) {
            paths = QStringList{data->text()};
        } else {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        platform::PostWindowMessage(owner, WM_OPEN_PATHS, 0, 0);
        return true;
    }
    default:
        return false;
    }
}
