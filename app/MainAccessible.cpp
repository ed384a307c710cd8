#include "MainAccessible.h"

#include "Commands.h"
#include "Messages.h"
#include "SorlinDlg.h"
#include "res/Menu.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

#include <vector>

namespace {

// What the display says aloud: its two lines as one.
QString Spoken(const QString& display)
{
    return QString(display).replace(u'\n', u' ').trimmed();
}

// The command each button with a duty of its own carries, to name it by the menu.
int CommandOf(int index)
{
    switch (index) {
    case kExitButton:
        return ID_APP_EXIT;
    case kStopButton:
        return ID_STOP;
    case kPlayButton:
        return ID_PLAY;
    default:
        return kSkinButtonCommandBase + index + 1;
    }
}

QString MenuText(int command)
{
    for (const res::MenuEntry& entry : res::LoadMenu(res::kMenuContext)) {
        if (entry.type == res::MenuEntry::kCommand && entry.id == command) {
            // Without the key hint and the mnemonic: "次のﾄﾗｯｸ(&N)\tPageDown" is "次のﾄﾗｯｸ".
            QString text = QString::fromUtf8(entry.text).section(u'\t', 0, 0);
            const qsizetype mnemonic = text.indexOf(QLatin1String("(&"));
            if (mnemonic >= 0)
                text.truncate(mnemonic);
            return text.remove(u'&').remove(QLatin1String("...")).trimmed();
        }
    }
    return {};
}

bool ButtonExists(const CSorlinDlg& window, int index)
{
    const auto& regions = window.Face().Skin().ButtonRegions();
    return index >= 0 && index < static_cast<int>(regions.size()) && regions[index] &&
           !regions[index]->isEmpty();
}

QRect OnScreen(const CSorlinDlg& window, const QRect& area)
{
    return QRect(window.mapToGlobal(area.topLeft()), area.size());
}

// A part of the main window that has no widget of its own.
class WindowPart : public QAccessibleInterface
{
public:
    WindowPart(CSorlinDlg* window, QAccessibleInterface* parent) : main(window), owner(parent) {}

    bool isValid() const override { return !main.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return owner ? owner->window() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return owner; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    QPointer<CSorlinDlg> main;
    QAccessibleInterface* owner;
};

class SkinButtonAccessible : public WindowPart, public QAccessibleActionInterface
{
public:
    SkinButtonAccessible(CSorlinDlg* window, QAccessibleInterface* parent, int index)
        : WindowPart(window, parent), index(index)
    {}

    bool isValid() const override { return WindowPart::isValid() && ButtonExists(*main, index); }
    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        return t == QAccessible::Name ? SkinButtonName(*main, index) : QString();
    }
    QRect rect() const override
    {
        return isValid() ? OnScreen(*main, main->Face().Skin().ButtonRegions()[index]->boundingRect())
                         : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::Button; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid() || !main->isVisible())
            state.invisible = true;
        // The lit button is the one the window shows as pressed (play while playing).
        state.pressed = isValid() && main->Face().Skin().Lit() == index;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override
    {
        if (name != pressAction() || !isValid())
            return;
        // Later, from the event loop: a command may open a dialog, and the screen reader's call
        // must not wait for it to close.
        QMetaObject::invokeMethod(
            main.data(),
            [target = main, button = index] {
                if (target)
                    target->PressSkinButton(button);
            },
            Qt::QueuedConnection);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    int index;
};

class DisplayAccessible : public WindowPart, public QAccessibleTextInterface
{
public:
    using WindowPart::WindowPart;

    QString text(QAccessible::Text t) const override
    {
        return isValid() && (t == QAccessible::Name || t == QAccessible::Value) ? Spoken(main->DisplayText())
                                                                                : QString();
    }
    QRect rect() const override
    {
        return isValid() ? OnScreen(*main, main->Face().Skin().TextArea().boundingRect()) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        state.invisible = !isValid() || !main->isVisible();
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this) : nullptr;
    }

    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override
    {
        const QString all = text(QAccessible::Name);
        if (start < 0 || start > all.size())
            return {};
        return all.mid(start, end < 0 ? -1 : std::max(0, end - start));
    }
    int characterCount() const override { return static_cast<int>(text(QAccessible::Name).size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* start, int* end) const override
    {
        *start = *end = 0;
        return {};
    }
};

class MainWindowAccessible : public QAccessibleWidget
{
public:
    explicit MainWindowAccessible(CSorlinDlg* window)
        : QAccessibleWidget(window, QAccessible::Window), main(window)
    {}
    // The parts are Qt's to delete once registered; they go with the window's own description.
    ~MainWindowAccessible() override
    {
        for (QAccessible::Id id : parts)
            QAccessible::deleteAccessibleInterface(id);
    }

    QAccessibleInterface* Display() const { return Part(kMaxSkinButtons); }

    // The buttons the skin has, in their order, then the display.
    int childCount() const override { return static_cast<int>(Present().size()) + 1; }
    QAccessibleInterface* child(int at) const override
    {
        const std::vector<int> present = Present();
        if (at >= 0 && at < static_cast<int>(present.size()))
            return Part(present[at]);
        return at == static_cast<int>(present.size()) ? Display() : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* part) const override
    {
        const std::vector<int> present = Present();
        if (part == Display())
            return static_cast<int>(present.size());
        for (size_t at = 0; at < present.size(); ++at) {
            if (part == Part(present[at]))
                return static_cast<int>(at);
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        if (!main)
            return nullptr;
        const int hit = main->Face().Skin().HitTest(main->mapFromGlobal(QPoint(x, y)));
        if (hit == kTextAreaHit)
            return Display();
        return ButtonExists(*main, hit) ? Part(hit) : nullptr;
    }

private:
    std::vector<int> Present() const
    {
        std::vector<int> present;
        for (int index = 0; main && index < kMaxSkinButtons; ++index) {
            if (ButtonExists(*main, index))
                present.push_back(index);
        }
        return present;
    }

    // Button `index`'s description, or the display's for kMaxSkinButtons; made on first use.
    QAccessibleInterface* Part(int index) const
    {
        if (QAccessible::Id id = parts.value(index))
            return QAccessible::accessibleInterface(id);
        // The parts name this as their parent, which Qt's interfaces take as non-const.
        auto* self = const_cast<MainWindowAccessible*>(this);
        QAccessibleInterface* part =
            index == kMaxSkinButtons ? static_cast<QAccessibleInterface*>(new DisplayAccessible(main, self))
                                     : new SkinButtonAccessible(main, self, index);
        parts.insert(index, QAccessible::registerAccessibleInterface(part));
        return part;
    }

    QPointer<CSorlinDlg> main;
    mutable QHash<int, QAccessible::Id> parts;
};

QAccessibleInterface* MainWindowFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CSorlinDlg")) {
        if (auto* window = qobject_cast<CSorlinDlg*>(object))
            return new MainWindowAccessible(window);
    }
    return nullptr;
}

} // namespace

void InstallMainWindowAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(&MainWindowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

QString SkinButtonName(const CSorlinDlg& window, int index)
{
    if (index < 0 || index >= kMaxSkinButtons)
        return {};
    if (const QString tip = window.Face().Skin().Definition().buttons[index].name.trimmed(); !tip.isEmpty())
        return tip;
    if (const QString text = MenuText(CommandOf(index)); !text.isEmpty())
        return text;
    return QStringLiteral("ﾎﾞﾀﾝ %1").arg(index + 1);
}

bool DisplayAnnouncer::Update(const QString& text, quint64 nowMs)
{
    if (everTold && (text == told || nowMs - toldAt < kIntervalMs))
        return false;
    const QString before = std::exchange(told, text);
    toldAt = nowMs;
    everTold = true;
    if (!QAccessible::isActive())
        return true;
    auto* main = dynamic_cast<MainWindowAccessible*>(QAccessible::queryAccessibleInterface(&window));
    if (!main)
        return true;
    QAccessibleEvent renamed(main->Display(), QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    QAccessibleTextUpdateEvent changed(main->Display(), 0, Spoken(before), Spoken(text));
    QAccessible::updateAccessibility(&changed);
    return true;
}
