// The skinned dialog base and its controls, offscreen: the title strip, the colours, the
// outlines, dragging, the elliptic buttons in each state, and the list's drag and drop rules.

#include "skin/DialogEx.h"
#include "res/DialogTemplates.h"
#include "skin/ButtonEx.h"
#include "skin/ListBoxEx.h"
#include "skin/ReadableColours.h"
#include "skin/SkinDefinition.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr COLORREF kFore = 0x00FF00;     // green
constexpr COLORREF kBack = 0x0000FF;     // red
constexpr COLORREF kBase = 0xFFFF00;     // cyan
constexpr COLORREF kControl = 0x808080;  // grey
constexpr COLORREF kEdit = 0x00FFFF;     // yellow
constexpr COLORREF kOn = 0x00C000;       // dark green
constexpr COLORREF kOff = 0xC00000;      // dark blue
constexpr COLORREF kDisabled = 0x0000C0; // dark red

// Whether some pixel of `image` inside `area` has `colour`, give or take the smoothing of
// text edges.
bool HasColour(const QImage& image, const QRect& area, const QColor& colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                    std::abs(pixel.blue() - colour.blue()) <=
                48)
                return true;
        }
    }
    return false;
}

void Colour(CDialogEx& dialog)
{
    dialog.SetFrameColours(kFore, kBack, kBase, kControl);
    dialog.SetEditColour(kEdit);
    dialog.SetButtonColours(kOn, kOff, kDisabled);
}

QMouseEvent Mouse(QEvent::Type type, const QPoint& local, const QPoint& global, Qt::MouseButton button,
                  Qt::MouseButtons buttons)
{
    return QMouseEvent(type, QPointF(local), QPointF(global), button, buttons, Qt::NoModifier);
}

TEST(DialogExTest, TheTitleStripShowsTheTitleInTheActiveAndInactiveColours)
{
    CDialogEx dialog(res::kDialogAlarm);
    Colour(dialog);
    dialog.show();
    EXPECT_EQ(dialog.TitleText(), u"ｱﾗｰﾑ設定");
    EXPECT_EQ(dialog.windowTitle(), u"ｱﾗｰﾑ設定");
    const QRect strip(0, 0, dialog.width(), 18);

    QImage active = dialog.grab().toImage();
    EXPECT_EQ(active.pixelColor(30, 5), ToQColor(kFore));
    EXPECT_EQ(active.pixelColor(30, 18), QColor(Qt::black));
    EXPECT_EQ(active.pixelColor(30, 40), ToQColor(kBase)); // a free point of the dialog
    EXPECT_TRUE(HasColour(active, strip, ToQColor(0x7A2719)));
    EXPECT_FALSE(HasColour(active, strip, QColor(Qt::white)));

    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&dialog, &deactivate);
    EXPECT_FALSE(dialog.IsActive());
    QImage inactive = dialog.grab().toImage();
    EXPECT_EQ(inactive.pixelColor(30, 5), ToQColor(kBack));
    EXPECT_EQ(inactive.pixelColor(30, 18), QColor(Qt::black));
    EXPECT_FALSE(HasColour(inactive, strip, ToQColor(0x7A2719)));
    // White would be lost on this red strip (4 : 1): the title is black there.
    EXPECT_TRUE(HasColour(inactive, strip, QColor(Qt::black)));

    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&dialog, &activate);
    EXPECT_EQ(dialog.grab().toImage().pixelColor(30, 5), ToQColor(kFore));
}

TEST(DialogExTest, ADialogWithoutATitleControlSaysSo)
{
    CDialogEx dialog(99999);
    EXPECT_EQ(dialog.TitleText(), u"<未定義>");
    EXPECT_EQ(dialog.GetDlgItem(res::kIdOk), nullptr);
}

TEST(DialogExTest, ControlsAreFoundByIdAndTakeTheSkinColours)
{
    CDialogEx dialog(res::kDialogAlarm);
    // A skin that names no colours gives its defaults to the dialog.
    QTemporaryDir dir;
    SkinDefinition skin;
    ReadSkinDefinition(dir.filePath(QStringLiteral("none.ini")), &skin);
    dialog.SetSkinColours(skin);
    EXPECT_EQ(dialog.GetColours().base, 0xD09FDBu);
    EXPECT_EQ(dialog.GetColours().edit, 0xE9D2EEu);
    EXPECT_EQ(dialog.GetColours().buttonOff, 0xC899D8u);
    Colour(dialog);
    dialog.show();

    auto* seconds = dialog.Item<QLineEdit>(1019);
    ASSERT_NE(seconds, nullptr);
    EXPECT_EQ(seconds->palette().color(QPalette::Base), ToQColor(kEdit));
    EXPECT_EQ(seconds->grab().toImage().pixelColor(seconds->width() / 2, seconds->height() / 2),
              ToQColor(kEdit));
    auto* countDown = dialog.Item<QCheckBox>(1018);
    ASSERT_NE(countDown, nullptr);
    EXPECT_EQ(countDown->text(), u"ｶｳﾝﾄﾀﾞｳﾝ");
    EXPECT_EQ(countDown->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(dialog.Item<CButtonEx>(res::kIdOk)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_NE(seconds->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(dialog.Item<CButtonEx>(res::kIdOk)->isDefault());
    EXPECT_EQ(dialog.Item<QCheckBox>(1019), nullptr); // the wrong kind is no control
}

TEST(DialogExTest, TheOutlineIsRoundedAndFollowsTheSize)
{
    CDialogEx dialog(res::kDialogAlarm);
    dialog.show();
    const QRegion outline = dialog.mask();
    EXPECT_FALSE(outline.contains(QPoint(0, 0)));
    EXPECT_FALSE(outline.contains(QPoint(dialog.width() - 1, dialog.height() - 1)));
    EXPECT_TRUE(outline.contains(QPoint(16, 0)));
    EXPECT_TRUE(outline.contains(QPoint(0, 16)));
    EXPECT_TRUE(outline.contains(QPoint(dialog.width() / 2, dialog.height() / 2)));

    dialog.setFixedSize(500, 300);
    EXPECT_TRUE(dialog.mask().contains(QPoint(480, 150)));
    EXPECT_FALSE(dialog.mask().contains(QPoint(499, 299)));
}

TEST(DialogExTest, DraggingAFreePointMovesTheDialogAndAControlDoesNot)
{
    CDialogEx dialog(res::kDialogAlarm);
    dialog.show();
    dialog.move(100, 100);
    const QPoint start = dialog.pos();

    QMouseEvent press = Mouse(QEvent::MouseButtonPress, {5, 40}, {200, 200}, Qt::LeftButton, Qt::LeftButton);
    QApplication::sendEvent(&dialog, &press);
    EXPECT_TRUE(dialog.IsDragging());
    QMouseEvent move = Mouse(QEvent::MouseMove, {15, 45}, {210, 205}, Qt::NoButton, Qt::LeftButton);
    QApplication::sendEvent(&dialog, &move);
    EXPECT_EQ(dialog.pos(), start + QPoint(10, 5));
    QMouseEvent release =
        Mouse(QEvent::MouseButtonRelease, {25, 45}, {220, 205}, Qt::LeftButton, Qt::NoButton);
    QApplication::sendEvent(&dialog, &release);
    EXPECT_EQ(dialog.pos(), start + QPoint(20, 5));
    EXPECT_FALSE(dialog.IsDragging());

    // A press on a control is the control's: the dialog stays.
    auto* seconds = dialog.Item<QLineEdit>(1019);
    QTest::mousePress(seconds, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent after = Mouse(QEvent::MouseMove, {50, 50}, {400, 400}, Qt::NoButton, Qt::LeftButton);
    QApplication::sendEvent(&dialog, &after);
    QTest::mouseRelease(seconds, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(dialog.pos(), start + QPoint(20, 5));
}

TEST(DialogExTest, TheKeyboardGoesInLayoutOrderAndTheFocusFollowsThePointer)
{
    CDialogEx dialog(res::kDialogAlarm);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    // The first control of the layout has the keyboard; Tab goes on in layout order.
    EXPECT_EQ(QApplication::focusWidget(), dialog.GetDlgItem(1018));
    auto* seconds = dialog.Item<QLineEdit>(1019);
    auto* program = dialog.Item<QLineEdit>(1007);
    QTest::keyClick(dialog.GetDlgItem(1018), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), seconds);
    QTest::keyClick(seconds, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), program);
    QTest::keyClick(program, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.GetDlgItem(1008));
    seconds->setFocus();
    ASSERT_TRUE(seconds->hasFocus());

    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(program, &enter);
    EXPECT_TRUE(program->hasFocus());
    dialog.Item<CButtonEx>(res::kIdCancel)->setEnabled(false);
    QApplication::sendEvent(dialog.GetDlgItem(res::kIdCancel), &enter);
    EXPECT_TRUE(program->hasFocus()); // a disabled button does not take it
}

class ButtonExTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        button.resize(80, 30);
        button.SetBrushes(kOff, kOn, kDisabled);
        button.MakeElliptic();
        button.show();
    }
    QImage Grab() { return button.grab().toImage(); }
    // The middle of the upper ellipse, and a point only the lowest ellipse (the shadow) covers.
    static constexpr QPoint kFace{30, 14};
    static constexpr QPoint kShadow{79, 15};

    CButtonEx button{QString()};
};

TEST_F(ButtonExTest, NormalPressedAndDisabledColours)
{
    QImage normal = Grab();
    EXPECT_EQ(normal.pixelColor(kFace), ToQColor(kOff));
    EXPECT_EQ(normal.pixelColor(kShadow), ToQColor(kOn));

    button.setDown(true);
    QImage pressed = Grab();
    EXPECT_EQ(pressed.pixelColor(kFace), ToQColor(kOn));
    EXPECT_EQ(pressed.pixelColor(kShadow), ToQColor(kOff));
    button.setDown(false);

    button.setEnabled(false);
    QImage disabled = Grab();
    EXPECT_EQ(disabled.pixelColor(kFace), ToQColor(kDisabled));
    EXPECT_EQ(disabled.pixelColor(kShadow), ToQColor(kDisabled));
}

TEST_F(ButtonExTest, TheFocusShowsAsAShadowInTheDisabledColour)
{
    // Between the upper ellipse's edge and the shadow's: the middle ellipse.
    const QPoint middle(78, 14);
    ASSERT_FALSE(button.hasFocus());
    EXPECT_EQ(Grab().pixelColor(middle), ToQColor(kOff));
    button.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    button.setFocus();
    ASSERT_TRUE(button.hasFocus());
    EXPECT_EQ(Grab().pixelColor(middle), ToQColor(kDisabled));
}

// The caption is dark blue normally and white when pressed or disabled, as the design draws
// it, wherever that reads on the skin's button colours; elsewhere black or white, and a disabled
// caption is always fainter than an enabled one on the same face.
TEST_F(ButtonExTest, TheCaptionReadsInEveryStateAndSkin)
{
    button.setText(QStringLiteral("OK"));
    const QRect caption(20, 5, 40, 20);
    struct Case
    {
        COLORREF off, on, disabled;
        QColor normal, pressed;
        bool whiteWhenDisabled;
    };
    const Case cases[] = {
        {0xE8DAD3, 0x802314, 0x78635A, ToQColor(0x7A2719), Qt::white, false}, // the default skin
        {0xF0F0F0, 0x202020, 0x303030, ToQColor(0x7A2719), Qt::white, true},  // light face, dark shades
        {kOff, kOn, kDisabled, Qt::white, Qt::black, false},                  // dark blue, green, red
        {0, 0, 0, Qt::white, Qt::white, false},                               // the design's defaults: black
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToQColor(c.off).name().toStdString());
        button.SetBrushes(c.off, c.on, c.disabled);
        EXPECT_EQ(button.CaptionColour(false, true), c.normal);
        EXPECT_EQ(button.CaptionColour(true, true), c.pressed);
        const QColor disabled = button.CaptionColour(false, false);
        EXPECT_EQ(disabled == QColor(Qt::white), c.whiteWhenDisabled) << disabled.name().toStdString();
        EXPECT_GE(ContrastRatio(disabled, ToQColor(c.disabled)), kDisabledTextContrast);
        if (c.disabled == c.off) {
            EXPECT_LT(ContrastRatio(disabled, ToQColor(c.disabled)),
                      ContrastRatio(c.normal, ToQColor(c.off)));
        }
    }
    button.setDown(true); // the painting uses it
    EXPECT_TRUE(HasColour(Grab(), caption, QColor(Qt::white)));
}

TEST_F(ButtonExTest, TheButtonIsAnEllipseAlsoAfterAResize)
{
    EXPECT_FALSE(button.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(button.mask().contains(QPoint(40, 15)));
    button.resize(120, 40);
    EXPECT_FALSE(button.mask().contains(QPoint(2, 2)));
    EXPECT_TRUE(button.mask().contains(QPoint(110, 20)));
}

class ListBoxExTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list.addItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QString()});
        list.resize(200, 200);
        list.show();
    }
    void Drag(int from, int to)
    {
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, Centre(from));
        list.setCurrentRow(to); // where the pointer's moves took the selection
        QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, Centre(to));
    }
    QPoint Centre(int row) { return list.visualItemRect(list.item(row)).center(); }
    QStringList Rows()
    {
        QStringList rows;
        for (int i = 0; i < list.count(); ++i)
            rows << list.item(i)->text();
        return rows;
    }

    CListBoxEx list;
};

TEST_F(ListBoxExTest, DraggedRowsMoveAndThePlaceholderStaysLast)
{
    Drag(0, 2);
    EXPECT_EQ(Rows(), (QStringList{"b", "c", "a", ""}));
    EXPECT_EQ(list.currentRow(), 2);

    // Dropped on the placeholder: just above it.
    Drag(0, 3);
    EXPECT_EQ(Rows(), (QStringList{"c", "a", "b", ""}));
    EXPECT_EQ(list.currentRow(), 2);

    // Onto itself: nothing moves.
    Drag(1, 1);
    EXPECT_EQ(Rows(), (QStringList{"c", "a", "b", ""}));

    // The placeholder cannot be dragged.
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, Centre(3));
    EXPECT_EQ(list.DragSource(), -1);
    list.setCurrentRow(0);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, Centre(0));
    EXPECT_EQ(Rows(), (QStringList{"c", "a", "b", ""}));
}

TEST_F(ListBoxExTest, FilesGoBeforeThePlaceholderRelativeToTheBaseFolder)
{
    list.SetBasePrefix(QStringLiteral("/music/"));
    list.InsertFiles({QStringLiteral("/music/x/1.mp3"), QStringLiteral("/other/2.mp3"),
                      QStringLiteral("/tmp/music/3.mp3")});
    EXPECT_EQ(Rows(), (QStringList{"a", "b", "c", "x/1.mp3", "/other/2.mp3", "/tmp/music/3.mp3", ""}));

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QStringLiteral("/music/4.mp3"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(list.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(list.item(list.count() - 2)->text(), u"4.mp3");
    EXPECT_EQ(list.item(list.count() - 1)->text(), QString());
}

} // namespace
