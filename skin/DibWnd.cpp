#include "DibWnd.h"

#include "res/Icons.h"
#include "res/StringTable.h"

#include <QPainter>

// The window itself: paints the image with its aspect kept, black when there is none, and
// tells the owner where it was when the user closes it.
class CDibWnd::View : public QWidget
{
public:
    explicit View(CDibWnd* owner) : QWidget(nullptr, Qt::Window), owner(owner)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setWindowTitle(res::LoadString(res::kStrAppTitle));
        setWindowIcon(res::ProgramIcon());
    }
    ~View() override
    {
        if (owner)
            owner->position = pos();
    }
    CDibWnd* owner;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setClipRect(rect());
        if (!owner || !owner->dib.Draw(painter, rect(), true))
            painter.fillRect(rect(), Qt::black);
    }
};

CDibWnd::CDibWnd() = default;

CDibWnd::~CDibWnd()
{
    Destroy();
}

QWidget* CDibWnd::Window() const
{
    return window.data();
}

void CDibWnd::Show()
{
    const QSize size = dib.SourceRect().size().expandedTo(QSize(1, 1));
    if (!window) {
        window = new View(this); // a window of its own: it deletes itself when closed
        window->move(position);
    } else {
        position = window->pos();
    }
    // The window manager adds the caption and frame outside this size.
    window->resize(size);
    window->move(position);
    window->show();
    window->update();
}

void CDibWnd::Destroy()
{
    if (!window)
        return;
    position = window->pos();
    static_cast<View*>(window.data())->owner = nullptr;
    // Closing deletes it (it is a window of its own, without a parent).
    window->close();
    window = nullptr;
}
