#pragma once
// FocusRing: a ring drawn around the control of a dialog that has the keyboard, so that Tab
// can be followed in any skin (the styles' own focus marks are shades that a dark skin hides).
// An elliptic control gets an elliptic ring. It lies over the dialog's controls and lets
// every pointer event through to them. Any dialog can have one, also Qt's own. UI thread
// only; a child of the dialog.

#include <QColor>
#include <QPointer>
#include <QWidget>

class FocusRing : public QWidget
{
    Q_OBJECT
public:
    explicit FocusRing(QWidget* dialog);

    // The ring's colour; it should read on the dialog's fill.
    void SetColour(const QColor& colour);
    // The control the ring surrounds; nullptr while it shows none.
    QWidget* Target() const { return isVisible() ? target.data() : nullptr; }

    // How far the ring reaches outside its control, in pixels at scale 1.
    static constexpr int kReach = 2;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Moves the ring to the dialog's focus control, or hides it.
    void Follow();

    QWidget* dialog;
    QPointer<QWidget> target;
    QColor colour = Qt::white;
};
