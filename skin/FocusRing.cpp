#include "FocusRing.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPainter>

FocusRing::FocusRing(QWidget* owner) : QWidget(owner), dialog(owner)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    dialog->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &FocusRing::Follow);
}

void FocusRing::SetColour(const QColor& value)
{
    colour = value;
    update();
}

void FocusRing::Follow()
{
    // The focus may sit in a part of a control (the field of an editable drop-down): the ring
    // goes around the whole control.
    QWidget* focus = dialog->focusWidget();
    while (focus && focus->parentWidget() && focus->parentWidget() != dialog &&
           (qobject_cast<QComboBox*>(focus->parentWidget()) ||
            qobject_cast<QAbstractSpinBox*>(focus->parentWidget())))
        focus = focus->parentWidget();
    if (focus != target) {
        if (target)
            target->removeEventFilter(this);
        target = focus;
        if (target)
            target->installEventFilter(this);
    }
    if (!target || target == this || !target->isVisible()) {
        hide();
        return;
    }
    QRect area(target->mapTo(dialog, QPoint(0, 0)), target->size());
    // A check box's or a link's place is wider than what it shows; the ring hugs that.
    if (qobject_cast<QCheckBox*>(target) || qobject_cast<QLabel*>(target))
        area.setWidth(std::min(area.width(), target->sizeHint().width()));
    setGeometry(area.adjusted(-kReach, -kReach, kReach, kReach));
    raise();
    show();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
        // The dialog chooses its first control while it shows: look once that is done.
        if (watched == dialog)
            QMetaObject::invokeMethod(this, &FocusRing::Follow, Qt::QueuedConnection);
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Hide:
    case QEvent::EnabledChange:
        if (watched == target)
            Follow();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent*)
{
    if (!target)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, kReach));
    painter.setBrush(Qt::NoBrush);
    const QRectF ring = QRectF(rect()).adjusted(kReach / 2.0, kReach / 2.0, -kReach / 2.0, -kReach / 2.0);
    // An elliptic button (its shape is its mask) gets a ring of its own shape.
    if (!target->mask().isEmpty())
        painter.drawEllipse(ring);
    else
        painter.drawRoundedRect(ring, kReach + 1, kReach + 1);
}
