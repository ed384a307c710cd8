#include "DialogEx.h"

#include "ButtonEx.h"
#include "FocusRing.h"
#include "ListBoxEx.h"
#include "ReadableColours.h"
#include "SkinDefinition.h"
#include "platform/NumberText.h"
#include "res/DialogTemplates.h"
#include "res/Icons.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSizeGrip>
#include <QWindow>

namespace {

constexpr int kTitleHeight = 19;
constexpr int kCornerSize = 32;
constexpr COLORREF kActiveTitleText = 0x7A2719;
constexpr COLORREF kInactiveTitleText = 0xFFFFFF;

QFont DialogFont()
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(12);
    return font;
}

QWidget* MakeControl(const res::ControlTemplate& control, QWidget* parent)
{
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
    case res::ControlKind::kStatic:
    case res::ControlKind::kLink: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case res::ControlKind::kIcon: {
        auto* label = new QLabel(parent);
        label->setPixmap(res::ProgramIcon().pixmap(control.width, control.height));
        return label;
    }
    case res::ControlKind::kEdit:
        return new QLineEdit(parent);
    case res::ControlKind::kCheckBox:
        return new QCheckBox(text, parent);
    case res::ControlKind::kButton: {
        auto* button = new CButtonEx(text, parent);
        button->setDefault((control.flags & res::kDefault) != 0);
        return button;
    }
    case res::ControlKind::kDropList: {
        auto* list = new QComboBox(parent);
        list->addItems(res::InitialItems(control));
        list->setMaxVisibleItems(16);
        return list;
    }
    case res::ControlKind::kListBox:
        return new CListBoxEx(parent);
    case res::ControlKind::kComboEdit: {
        auto* list = new QComboBox(parent);
        list->setEditable(true);
        list->setInsertPolicy(QComboBox::NoInsert);
        return list;
    }
    case res::ControlKind::kGroup:
        return new QGroupBox(text, parent);
    }
    return nullptr;
}

} // namespace

CDialogEx::CDialogEx(int templateId, QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setFont(DialogFont());
    // On Wayland a shape only limits input; the corners outside it must be transparent.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        setAttribute(Qt::WA_TranslucentBackground);
    BuildControls(templateId);
    focusRing = new FocusRing(this);
    // The desktop's task list and window tools know the dialog by its strip's title.
    setWindowTitle(TitleText());
}

void CDialogEx::BuildControls(int templateId)
{
    const res::DialogTemplate* layout = res::FindDialogTemplate(templateId);
    if (!layout)
        return;
    if (layout->widthResizable) {
        // Only wider or narrower: the grip in the corner, as the window has no frame to pull.
        setFixedHeight(layout->height);
        setMinimumWidth(layout->width / 2);
        resize(layout->width, layout->height);
        grip = new QSizeGrip(this);
        grip->resize(grip->sizeHint());
    } else {
        setFixedSize(layout->width, layout->height);
    }
    // Created in layout order, which is also the Tab order.
    for (const res::ControlTemplate& control : layout->controls) {
        QWidget* widget = MakeControl(control, this);
        widget->setGeometry(control.x, control.y, control.width, control.height);
        if (control.id == res::kIdTitle || (control.flags & res::kHidden))
            widget->hide(); // the strip shows the title
        widget->setEnabled(!(control.flags & res::kDisabled));
        if (control.id != res::kIdStatic) {
            widget->setObjectName(QStringLiteral("control%1").arg(control.id));
            controls.insert(control.id, widget);
        }
        widget->installEventFilter(this);
        layoutOrder << widget;
    }
    NameControls(*layout);
    // OK and Cancel end the dialog, through accept and reject so that dialogs can store first.
    if (auto* ok = Item<QAbstractButton>(res::kIdOk))
        connect(ok, &QAbstractButton::clicked, this, &QDialog::accept);
    if (auto* cancel = Item<QAbstractButton>(res::kIdCancel))
        connect(cancel, &QAbstractButton::clicked, this, &QDialog::reject);
}

void CDialogEx::NameControls(const res::DialogTemplate& layout)
{
    // A screen reader names a field by the texts that label it, after the title of the frame
    // around it ("CD 再生開始ﾄﾗｯｸ" and "DVD 再生開始ﾄﾗｯｸ" differ); a labelled button keeps its
    // caption after them ("ﾌﾟﾗｸﾞｲﾝ 参照...").
    QHash<int, QStringList> labels;
    std::vector<std::pair<QRect, QString>> frames;
    const qsizetype count = std::min(static_cast<qsizetype>(layout.controls.size()), layoutOrder.size());
    for (qsizetype i = 0; i < count; ++i) {
        const res::ControlTemplate& control = layout.controls[i];
        const QString text = QString::fromUtf8(control.text);
        if (control.kind == res::ControlKind::kGroup)
            frames.emplace_back(layoutOrder[i]->geometry(), text);
        for (int id : control.labelFor) {
            if (id == 0)
                continue;
            labels[id] << text;
            if (auto* label = qobject_cast<QLabel*>(layoutOrder[i]); label && !label->buddy())
                label->setBuddy(GetDlgItem(id));
        }
    }
    for (qsizetype i = 0; i < count; ++i) {
        const res::ControlTemplate& control = layout.controls[i];
        const bool field =
            control.kind == res::ControlKind::kEdit || control.kind == res::ControlKind::kDropList ||
            control.kind == res::ControlKind::kComboEdit || control.kind == res::ControlKind::kListBox;
        const bool labelledButton = control.kind == res::ControlKind::kButton && labels.contains(control.id);
        if (!field && !labelledButton)
            continue;
        QStringList parts;
        const QPoint centre = layoutOrder[i]->geometry().center();
        for (const auto& [frame, title] : frames) {
            if (frame.contains(centre))
                parts << title;
        }
        parts << labels.value(control.id);
        if (labelledButton)
            parts << QString::fromUtf8(control.text);
        if (parts.isEmpty())
            continue;
        QWidget* widget = layoutOrder[i];
        widget->setAccessibleName(parts.join(u' '));
        // Screen readers on this desktop name a drop-down by the texts that label it, not by its
        // own name: one that no text labels gets an unseen label of its own.
        if (qobject_cast<QComboBox*>(widget) && !labels.contains(control.id)) {
            auto* label = new QLabel(parts.join(u' '), this);
            label->hide();
            label->setBuddy(widget);
        }
    }
}

void CDialogEx::SetFrameColours(COLORREF fore, COLORREF back, COLORREF base, COLORREF control)
{
    colours.fore = fore;
    colours.back = back;
    colours.base = base;
    colours.control = control;
}

void CDialogEx::SetEditColour(COLORREF edit)
{
    colours.edit = edit;
}

void CDialogEx::SetButtonColours(COLORREF on, COLORREF off, COLORREF disabled)
{
    colours.buttonOn = on;
    colours.buttonOff = off;
    colours.buttonDisabled = disabled;
}

CDialogEx::Colours CDialogEx::ColoursOf(const SkinDefinition& skin)
{
    Colours values;
    values.fore = skin.foreColour;
    values.back = skin.backColour;
    values.base = skin.baseColour;
    values.control = skin.controlColour;
    values.buttonOn = skin.buttonOnColour;
    values.buttonOff = skin.buttonOffColour;
    values.buttonDisabled = skin.buttonDisabledColour;
    values.edit = skin.editColour;
    return values;
}

void CDialogEx::SetColours(const Colours& values)
{
    SetFrameColours(values.fore, values.back, values.base, values.control);
    SetEditColour(values.edit);
    SetButtonColours(values.buttonOn, values.buttonOff, values.buttonDisabled);
}

void CDialogEx::SetSkinColours(const SkinDefinition& skin)
{
    SetColours(ColoursOf(skin));
}

QString CDialogEx::GetDlgItemText(int id) const
{
    if (const auto* edit = Item<QLineEdit>(id))
        return edit->text();
    if (const auto* list = Item<QComboBox>(id))
        return list->currentText();
    if (const auto* button = Item<QAbstractButton>(id))
        return button->text();
    if (const auto* label = Item<QLabel>(id))
        return label->text();
    return QString();
}

void CDialogEx::SetDlgItemText(int id, const QString& text)
{
    if (auto* edit = Item<QLineEdit>(id))
        edit->setText(text);
    else if (auto* list = Item<QComboBox>(id))
        list->setCurrentText(text);
    else if (auto* button = Item<QAbstractButton>(id))
        button->setText(text);
    else if (auto* label = Item<QLabel>(id))
        label->setText(text);
}

int CDialogEx::GetDlgItemInt(int id) const
{
    return platform::LeadingInt(GetDlgItemText(id));
}

bool CDialogEx::IsDlgButtonChecked(int id) const
{
    const auto* button = Item<QAbstractButton>(id);
    return button && button->isChecked();
}

void CDialogEx::CheckDlgButton(int id, bool checked)
{
    if (auto* button = Item<QAbstractButton>(id))
        button->setChecked(checked);
}

QString CDialogEx::TitleText() const
{
    if (const auto* title = Item<QLabel>(res::kIdTitle))
        return title->text();
    return QStringLiteral("<未定義>");
}

void CDialogEx::accept()
{
    done(res::kIdOk);
}

void CDialogEx::reject()
{
    done(res::kIdCancel);
}

void CDialogEx::showEvent(QShowEvent* event)
{
    if (!initialised) {
        initialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CDialogEx::OnInitDialog()
{
    ApplyColours();
    for (CButtonEx* button : findChildren<CButtonEx*>()) {
        button->SetBrushes(colours.buttonOff, colours.buttonOn, colours.buttonDisabled);
        button->MakeElliptic();
    }
    MakeRounded();
    FocusFirstControl();
}

void CDialogEx::FocusFirstControl()
{
    if (focusWidget())
        return;
    // The first field in the Tab order; a dialog of buttons (and links) only starts at its default
    // button, so that Enter never presses another or opens a link by surprise.
    QPushButton* defaultButton = nullptr;
    for (QWidget* widget : layoutOrder) {
        if (widget->isHidden() || !widget->isEnabled() || !(widget->focusPolicy() & Qt::TabFocus) ||
            qobject_cast<QLabel*>(widget))
            continue;
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            if (button->isDefault() && !defaultButton)
                defaultButton = button;
            continue;
        }
        widget->setFocus(Qt::TabFocusReason);
        return;
    }
    if (defaultButton)
        defaultButton->setFocus(Qt::TabFocusReason);
}

void CDialogEx::ApplyColours()
{
    // The skin gives the fills; the texts on them take black or white, whichever reads, since
    // the platform's text colour is lost on a dark skin. Edit fields, lists and drop-downs stand
    // on the edit colour, the dialog and its texts on the base colour.
    const QColor base = ToQColor(colours.base);
    const QColor edit = ToQColor(colours.edit);
    setPalette(ReadablePalette(palette(), base, edit, ToQColor(colours.control)));
    focusRing->SetColour(ReadableText(base));
    for (QWidget* widget : controls) {
        if (qobject_cast<QComboBox*>(widget)) {
            // A drop-down's face is drawn as a button; here it wears the edit colour.
            widget->setPalette(ReadablePalette(palette(), base, edit, edit));
        }
        if (qobject_cast<QAbstractButton*>(widget))
            widget->setCursor(Qt::PointingHandCursor);
    }
}

void CDialogEx::MakeRounded()
{
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), kCornerSize / 2.0, kCornerSize / 2.0);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void CDialogEx::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (grip)
        grip->move(width() - grip->width(), height() - grip->height());
    if (initialised && !isMinimized() && !isMaximized())
        MakeRounded();
}

void CDialogEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Where the outline does not cut the window (Wayland), the corners stay transparent.
    if (testAttribute(Qt::WA_TranslucentBackground) && !mask().isEmpty())
        painter.setClipRegion(mask());
    painter.fillRect(rect(), ToQColor(colours.base));
    const QRect strip(0, 0, width(), kTitleHeight);
    const QColor stripFill = ToQColor(active ? colours.fore : colours.back);
    painter.fillRect(strip, stripFill);
    painter.fillRect(QRect(0, kTitleHeight - 1, width(), 1), Qt::black);
    // The strip's own text colours, unless the skin's strip colour would swallow them.
    painter.setPen(KeepIfReadable(ToQColor(active ? kActiveTitleText : kInactiveTitleText), stripFill));
    painter.drawText(strip, Qt::AlignCenter | Qt::TextSingleLine, TitleText());
}

bool CDialogEx::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        active = event->type() == QEvent::WindowActivate;
        update();
    }
    return QDialog::event(event);
}

void CDialogEx::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QDialog::mousePressEvent(event);
    // On Wayland only the compositor may move a window.
    if (windowHandle() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")) &&
        windowHandle()->startSystemMove())
        return;
    dragging = true;
    lastPointer = event->globalPosition().toPoint();
}

void CDialogEx::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging)
        return QDialog::mouseMoveEvent(event);
    const QPoint pointer = event->globalPosition().toPoint();
    move(pos() + pointer - lastPointer);
    lastPointer = pointer;
}

void CDialogEx::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging || event->button() != Qt::LeftButton)
        return QDialog::mouseReleaseEvent(event);
    const QPoint pointer = event->globalPosition().toPoint();
    move(pos() + pointer - lastPointer);
    dragging = false;
}

void FollowPointerFocus(QObject* watched, QEvent* event, const QWidget* dialog)
{
    if (event->type() != QEvent::Enter)
        return;
    auto* widget = qobject_cast<QWidget*>(watched);
    const QWidget* focus = QApplication::focusWidget();
    if (widget && focus && widget != focus && widget != dialog && widget->isEnabled() &&
        (widget->focusPolicy() & Qt::TabFocus) && dialog->isActiveWindow())
        widget->setFocus(Qt::MouseFocusReason);
}

bool CDialogEx::eventFilter(QObject* watched, QEvent* event)
{
    FollowPointerFocus(watched, event, this);
    return QDialog::eventFilter(watched, event);
}
