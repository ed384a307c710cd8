#pragma once
// CDialogEx: the base of every dialog of the program. It builds its controls from the dialog's
// layout (res/DialogTemplates.h), so each is found by its id, and gives the dialog the skin's
// look: a rounded outline, a title strip drawn from the text of control 1042 ("<未定義>"
// without one) in the active or inactive colours, the skin's colours for its controls,
// elliptic push buttons, dragging by any free point, a hand cursor over buttons, and focus
// that follows the pointer. UI thread only.
//
// The owner sets the colours before the dialog opens: they are taken when it first shows.

#include "Dib.h"

#include <QDialog>
#include <QHash>
#include <QPoint>
#include <QRegion>

class FocusRing;
struct SkinDefinition;
namespace res {
struct DialogTemplate;
}

// The focus follows the pointer: when `event` is the pointer entering `watched`, a control of
// the active `dialog` that takes the focus, and another control has it, `watched` gets it.
void FollowPointerFocus(QObject* watched, QEvent* event, const QWidget* dialog);

class CDialogEx : public QDialog
{
    Q_OBJECT
public:
    // Builds the controls of layout `templateId`; a dialog without a layout has none.
    explicit CDialogEx(int templateId, QWidget* parent = nullptr);

    // Colours as the skin writes them (red in the lowest byte).
    void SetFrameColours(COLORREF fore, COLORREF back, COLORREF base, COLORREF control);
    void SetEditColour(COLORREF edit);
    void SetButtonColours(COLORREF on, COLORREF off, COLORREF disabled);
    // The three calls above with the skin's colours.
    void SetSkinColours(const SkinDefinition& skin);

    // The control with `id`; nullptr when the dialog has none.
    QWidget* GetDlgItem(int id) const { return controls.value(id, nullptr); }
    template <class T> T* Item(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    // The values of controls by id, as the dialogs read and fill them. A number is read the way
    // atoi reads it: text that is no number is 0.
    QString GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const QString& text);
    int GetDlgItemInt(int id) const;
    void SetDlgItemInt(int id, int value) { SetDlgItemText(id, QString::number(value)); }
    bool IsDlgButtonChecked(int id) const;
    void CheckDlgButton(int id, bool checked);
    // The text the title strip shows.
    QString TitleText() const;
    bool IsActive() const { return active; }
    bool IsDragging() const { return dragging; }

    // Shows the dialog modally: IDOK (1), IDCANCEL (2) or the code it ended with.
    int DoModal() { return exec(); }
    void accept() override;
    void reject() override;

    struct Colours
    {
        COLORREF fore = 0x9DF90D;
        COLORREF back = 0x154200;
        COLORREF base = 0;
        COLORREF control = 0;
        COLORREF buttonOn = 0;
        COLORREF buttonOff = 0;
        COLORREF buttonDisabled = 0;
        COLORREF edit = 0xFFFFFF;
    };
    const Colours& GetColours() const { return colours; }
    // The colours SetSkinColours takes from `skin`.
    static Colours ColoursOf(const SkinDefinition& skin);
    void SetColours(const Colours& values);

protected:
    // Runs once, when the dialog first shows: the colours go to the controls, the buttons
    // become elliptic, the outline is rounded. Dialogs fill their controls after calling it.
    virtual void OnInitDialog();

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls(int templateId);
    // Gives fields (and buttons that a text labels) the names screen readers read.
    void NameControls(const res::DialogTemplate& layout);
    void ApplyColours();
    void MakeRounded();
    // Gives the keyboard to the first field, or to the default button when there is none.
    void FocusFirstControl();

    QHash<int, QWidget*> controls;
    QList<QWidget*> layoutOrder;    // every control built, in the layout's (and Tab) order
    QWidget* grip = nullptr;        // a child; only in dialogs that can change their width
    FocusRing* focusRing = nullptr; // a child
    Colours colours;
    bool initialised = false;
    bool active = true;
    bool dragging = false;
    QPoint lastPointer; // screen coordinates
};
