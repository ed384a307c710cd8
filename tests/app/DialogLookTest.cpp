// Every skinned dialog as its user sees it, on a real X display (tests/support/with-display)
// at the scale QT_SCALE_FACTOR gives: in the default skin, a skin with a white base and the
// design's default colours, the text of every control reads on the fill it is drawn on
// (measured on the grab's pixels, by the WCAG 2 ratio), disabled text is fainter but readable,
// an enabled edit stands out from a disabled one and a selected row from the others; Tab puts a
// visible ring on every control in turn; fields carry their labels' names for screen readers;
// the font chooser shows its sample. SORLIN_GRAB_DIR, when set, keeps every grab there.

#include "app/AboutDlg.h"
#include "clock/AlarmDlg.h"
#include "clock/CustomFontDialog.h"
#include "clock/LaunchDlg.h"
#include "clock/PosDialog.h"
#include "media/dialogs/CDSetDlg.h"
#include "media/dialogs/PlayListDlg.h"
#include "player/ProgressDlg.h"
#include "res/DialogTemplates.h"
#include "skin/ButtonEx.h"
#include "skin/FocusRing.h"
#include "skin/ListBoxEx.h"
#include "skin/ReadableColours.h"
#include "skin/SkinDefinition.h"
#include "support/PlayerScene.h"
#include "support/TempHome.h"
#include "support/Wait.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using testsupport::WaitUntil;

// Pixels that must reach the ratio: a few stray ones (a neighbour's edge) prove nothing.
constexpr int kTextPixels = 6;

struct Measure
{
    QColor fill;
    double contrast = 0; // of the text's strongest pixels against the fill
    int textPixels = 0;  // pixels that stand out from the fill at all
};

// The fill is the commonest colour of `area`; the text is what differs from it.
Measure MeasureText(const QImage& image, const QRect& area)
{
    QHash<QRgb, int> counts;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000u];
    }
    Measure measure;
    if (counts.isEmpty())
        return measure;
    measure.fill = QColor::fromRgb(std::max_element(counts.begin(), counts.end()).key());
    std::vector<double> ratios;
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        const double ratio = ContrastRatio(QColor::fromRgb(it.key()), measure.fill);
        if (ratio >= 1.5)
            ratios.insert(ratios.end(), it.value(), ratio);
    }
    measure.textPixels = static_cast<int>(ratios.size());
    if (measure.textPixels >= kTextPixels) {
        std::nth_element(ratios.begin(), ratios.begin() + (kTextPixels - 1), ratios.end(), std::greater<>());
        measure.contrast = ratios[kTextPixels - 1];
    }
    return measure;
}

QRect InDialog(const QWidget* control, const QRect& local)
{
    return local.translated(control->geometry().topLeft());
}

// Where a control draws its text, in dialog coordinates; an empty rectangle for no text.
QRect TextArea(const QWidget* control)
{
    const QRect box = control->geometry();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text().isEmpty() ? QRect() : box;
    if (const auto* check = qobject_cast<const QCheckBox*>(control)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = check->text();
        return InDialog(check, check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check));
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text().isEmpty() ? QRect() : box.adjusted(3, 3, -3, -3);
    if (const auto* list = qobject_cast<const QComboBox*>(control))
        return list->currentText().isEmpty() ? QRect() : box.adjusted(3, 3, -box.height(), -3);
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        option.textAlignment = group->alignment();
        return InDialog(group, group->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                              QStyle::SC_GroupBoxLabel, group));
    }
    if (const auto* button = qobject_cast<const CButtonEx*>(control))
        return button->text().isEmpty() ? QRect() : box.adjusted(box.width() / 6, 5, -box.width() / 6, -5);
    return {};
}

struct SkinCase
{
    const char* name;
    std::function<CDialogEx::Colours()> colours;
};

CDialogEx::Colours SkinFile(const QByteArray& ini)
{
    TempHome home;
    const QString path = home.WriteFile(QStringLiteral("skin.ini"), ini);
    SkinDefinition skin;
    ReadSkinDefinition(path, &skin);
    return CDialogEx::ColoursOf(skin);
}

const SkinCase kSkins[] = {
    {"DefaultSkin",
     [] {
         SkinDefinition skin;
         ReadSkinDefinition(QStringLiteral(SORLIN_DEFAULT_SKIN), &skin);
         return CDialogEx::ColoursOf(skin);
     }},
    {"WhiteBase", [] { return SkinFile("[Position]\nBaseClr=FFFFFF\nEditClr=FFFFFF\nCtrlClr=F0F0F0\n"); }},
    {"SkinDefaults", [] { return SkinFile("[Position]\n"); }},
    {"DialogDefaults", [] { return CDialogEx::Colours{}; }},
};

// The dialogs of the program, each made as its owner makes it, with lines and values to show.
struct DialogCase
{
    const char* name;
    std::function<std::unique_ptr<CDialogEx>(CMediaPlayer&)> make;
};

const DialogCase kDialogs[] = {
    {"Timer",
     [](CMediaPlayer&) {
         static std::array<CTimerEntry, 51> table{};
         table[0].launch = QStringLiteral("/usr/bin/xclock");
         return std::make_unique<CLaunchDlg>(table, 50, 0);
     }},
    {"Alarm",
     [](CMediaPlayer&) { return std::make_unique<CAlarmDlg>(QStringLiteral("/usr/bin/xclock"), 1, 180); }},
    {"Position",
     [](CMediaPlayer&) {
         PositionValues values;
         values.window = QRect(40, 30, 240, 150);
         values.thema = QStringLiteral("/usr/lib/sorlin/Sorlin.ini");
         return std::make_unique<CPosDialog>(values, QSize());
     }},
    {"About", [](CMediaPlayer&) { return std::make_unique<CAboutDlg>(nullptr); }},
    {"Download",
     [](CMediaPlayer&) {
         auto dialog = std::make_unique<CProgressDlg>();
         dialog->SetMessage(QStringLiteral("http://127.0.0.1/song.mp3をﾀﾞｳﾝﾛｰﾄﾞ中です。"));
         dialog->SetPercent(QStringLiteral("42%完了"));
         return dialog;
     }},
    {"Playlist", [](CMediaPlayer& player) { return std::make_unique<CPLayListDlg>(player); }},
    {"PlaySettings",
     [](CMediaPlayer& player) {
         CMediaPlayer::PlaySettings values = player.GetPlaySettings();
         values.cccdFirst = true;
         return std::make_unique<CCDSetDlg>(player, player.Items(), values,
                                            QStringList{QStringLiteral("/dev/sr0")});
     }},
};

class DialogLook : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlayerScene scene(player);
        scene.SetList({QStringLiteral("/home/user/Music/01 Morning.mp3"),
                       QStringLiteral("/home/user/Music/02 Noon.ogg"),
                       QStringLiteral("/home/user/Music/03 Night.flac")},
                      1);
        scene.SetSource(QStringLiteral("/home/user/Music"), kSourceFolder);
    }

    // Shows `dialog` as its owner does and waits until it is on the screen.
    static void Show(CDialogEx& dialog, const CDialogEx::Colours& colours)
    {
        dialog.SetColours(colours);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }

    // The dialog's pixels, one image pixel for each device pixel, without the focus ring.
    static QImage Grab(CDialogEx& dialog, const QString& name)
    {
        if (auto* ring = dialog.findChild<FocusRing*>())
            ring->hide();
        const QPixmap pixmap = dialog.grab();
        if (const QString folder = qEnvironmentVariable("SORLIN_GRAB_DIR"); !folder.isEmpty()) {
            QDir().mkpath(folder);
            pixmap.save(QStringLiteral("%1/%2@%3.png").arg(folder, name).arg(pixmap.devicePixelRatio()));
        }
        return pixmap.toImage();
    }

    static QRect Scaled(const QRect& area, const QImage& image)
    {
        const qreal ratio = image.devicePixelRatio();
        return QRect(QPoint(qRound(area.left() * ratio), qRound(area.top() * ratio)),
                     QSize(qRound(area.width() * ratio), qRound(area.height() * ratio)));
    }

    CMediaPlayer player{platform::DriveTable()};
};

class DialogContrastTest : public DialogLook,
                           public ::testing::WithParamInterface<std::tuple<DialogCase, SkinCase>>
{};

TEST_P(DialogContrastTest, EveryTextReadsOnItsFill)
{
    const auto& [which, skin] = GetParam();
    std::unique_ptr<CDialogEx> dialog = which.make(player);
    Show(*dialog, skin.colours());
    const QImage image = Grab(*dialog, QStringLiteral("%1-%2").arg(which.name, skin.name));

    const Measure strip = MeasureText(image, Scaled(QRect(0, 0, dialog->width(), 18), image));
    EXPECT_GE(strip.contrast, kEnabledTextContrast) << "the title strip";

    int measured = 0;
    for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect area = control->isVisible() ? TextArea(control) : QRect();
        if (area.isEmpty())
            continue;
        const Measure text = MeasureText(image, Scaled(area, image));
        const double least = control->isEnabled() ? kEnabledTextContrast : kDisabledTextContrast;
        EXPECT_GE(text.contrast, least)
            << control->objectName().toStdString() << " " << control->metaObject()->className()
            << " text pixels " << text.textPixels << " on " << text.fill.name().toStdString();
        ++measured;
    }
    EXPECT_GE(measured, 3) << "texts found to measure";

    // The rows of a list: each reads on its fill, and the selected one stands out.
    if (auto* list = dialog->findChild<CListBoxEx*>()) {
        ASSERT_GE(list->currentRow(), 0);
        for (int row = 0; row + 1 < list->count(); ++row) {
            const QRect line = list->visualItemRect(list->item(row))
                                   .translated(list->viewport()->mapTo(dialog.get(), QPoint()));
            const Measure text = MeasureText(image, Scaled(line, image));
            EXPECT_GE(text.contrast, kEnabledTextContrast) << "row " << row;
            const bool selected = row == list->currentRow();
            const QColor listFill = ToQColor(dialog->GetColours().edit);
            EXPECT_EQ(text.fill != listFill, selected)
                << "row " << row << " on " << text.fill.name().toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogContrastTest,
                         ::testing::Combine(::testing::ValuesIn(kDialogs), ::testing::ValuesIn(kSkins)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

class EditProminenceTest : public DialogLook, public ::testing::WithParamInterface<SkinCase>
{};

TEST_P(EditProminenceTest, AnEnabledEditStandsOutFromADisabledOne)
{
    PositionValues values;
    values.window = QRect(40, 30, 240, 150);
    values.useThema = true; // the size is the skin's: width and height are disabled
    CPosDialog dialog(values, QSize());
    Show(dialog, GetParam().colours());
    const QImage image = Grab(dialog, QStringLiteral("Position-edits-%1").arg(GetParam().name));
    QWidget* enabled = dialog.GetDlgItem(CPosDialog::kX);
    QWidget* disabled = dialog.GetDlgItem(CPosDialog::kWidth);
    ASSERT_TRUE(enabled->isEnabled());
    ASSERT_FALSE(disabled->isEnabled());
    const Measure live = MeasureText(image, Scaled(TextArea(enabled), image));
    const Measure dead = MeasureText(image, Scaled(TextArea(disabled), image));
    EXPECT_GE(dead.contrast, kDisabledTextContrast);
    EXPECT_GT(live.contrast, dead.contrast * 1.2);
    // A disabled field lies flat on the dialog; an enabled one keeps the edit colour.
    EXPECT_EQ(dead.fill, ToQColor(dialog.GetColours().base));
    EXPECT_EQ(live.fill, ToQColor(dialog.GetColours().edit));
}

INSTANTIATE_TEST_SUITE_P(Skins, EditProminenceTest, ::testing::ValuesIn(kSkins),
                         [](const auto& info) { return std::string(info.param.name); });

class DialogKeyboardTest : public DialogLook, public ::testing::WithParamInterface<DialogCase>
{};

// Tab visits every control that takes the keyboard, starting with the first, and each time
// the ring shows around the control that has it, in a colour that stands out from the dialog.
TEST_P(DialogKeyboardTest, TabShowsARingOnEveryControlInTurn)
{
    std::unique_ptr<CDialogEx> dialog = GetParam().make(player);
    Show(*dialog, kSkins[0].colours());
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto* ring = dialog->findChild<FocusRing*>();
    ASSERT_NE(ring, nullptr);
    const QColor base = ToQColor(dialog->GetColours().base);

    QSet<QWidget*> expected;
    for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisible() && control->isEnabled() && (control->focusPolicy() & Qt::TabFocus))
            expected.insert(control);
    }
    ASSERT_FALSE(expected.isEmpty());

    QWidget* first = QApplication::focusWidget();
    ASSERT_TRUE(expected.contains(first)) << "the dialog starts with a control that has the keyboard";
    QSet<QWidget*> visited;
    QImage before = dialog->grab().toImage();
    for (int step = 0; step <= expected.size() + 1; ++step) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(WaitUntil([&] { return ring->Target() == focus; }, 5000))
            << focus->objectName().toStdString();
        const QImage now = dialog->grab().toImage();
        // The ring is drawn in the band just outside the control: there the grab changed, in
        // the ring's own colour.
        const QRect band = Scaled(ring->geometry(), now);
        int changed = 0;
        double strongest = 0;
        for (int y = band.top(); y <= band.bottom(); ++y) {
            for (int x = band.left(); x <= band.right(); ++x) {
                if (!now.rect().contains(x, y) || now.pixel(x, y) == before.pixel(x, y) || step == 0)
                    continue;
                ++changed;
                strongest = std::max(strongest, ContrastRatio(now.pixelColor(x, y), base));
            }
        }
        if (step > 0) {
            EXPECT_GE(changed, 8) << focus->objectName().toStdString();
            EXPECT_GE(strongest, 3.0) << focus->objectName().toStdString();
        }
        visited.insert(focus);
        before = now;
        QTest::keyClick(focus, Qt::Key_Tab);
        if (QApplication::focusWidget() == first)
            break;
    }
    EXPECT_EQ(visited, expected);
}

// What a screen reader on this desktop says a control is called: a drop-down by the texts that
// label it (its own name is its value here), anything else by its name.
QString SpokenName(QWidget* control)
{
    QAccessibleInterface* described = QAccessible::queryAccessibleInterface(control);
    if (!described)
        return {};
    if (described->role() != QAccessible::ComboBox)
        return described->text(QAccessible::Name);
    QStringList labels;
    for (const auto& [label, relation] : described->relations(QAccessible::Label))
        labels << label->text(QAccessible::Name);
    return labels.join(u' ');
}

// A screen reader names each control that takes the keyboard: a field by its labels (and the
// frame around it), a button by its caption; it says the kind of control with the name, and no
// two of one kind are called alike within a dialog.
TEST_P(DialogKeyboardTest, EveryControlHasANameOfItsOwn)
{
    std::unique_ptr<CDialogEx> dialog = GetParam().make(player);
    Show(*dialog, kSkins[0].colours());
    QHash<QString, QString> seen;
    for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isVisible() || !control->isEnabled() || !(control->focusPolicy() & Qt::TabFocus))
            continue;
        const QString name = SpokenName(control);
        EXPECT_FALSE(name.isEmpty()) << control->objectName().toStdString();
        const QString spoken =
            QStringLiteral("%1 (%2)").arg(name).arg(QAccessible::queryAccessibleInterface(control)->role());
        EXPECT_FALSE(seen.contains(spoken))
            << name.toStdString() << " names " << control->objectName().toStdString() << " and "
            << seen.value(spoken).toStdString();
        seen.insert(spoken, control->objectName());
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogKeyboardTest, ::testing::ValuesIn(kDialogs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogLook, FieldsAreNamedByTheirLabelsAndTheFrameAroundThem)
{
    struct Case
    {
        int dialog;
        int control;
        const char* name;
    };
    const Case cases[] = {
        {0, CLaunchDlg::kHour, "時"},
        {0, CLaunchDlg::kHourTo, "～"},
        {0, CLaunchDlg::kBrowse, "実行ﾌﾟﾛｸﾞﾗﾑ 参照..."},
        {1, CAlarmDlg::kSeconds, "ﾀｲﾏｰ値 秒"},
        {2, CPosDialog::kWaitTime, "待ち時間 秒"},
        {2, CPosDialog::kPlugInBrowse, "ﾌﾟﾗｸﾞｲﾝ 参照..."},
        {5, CPLayListDlg::kList, "ﾌﾟﾚｲﾘｽﾄ"},
        {6, CCDSetDlg::kDvdTrack, "DVD 再生開始ﾄﾗｯｸ"},
        {6, CCDSetDlg::kCdTrack, "CD 再生開始ﾄﾗｯｸ"},
        {6, CCDSetDlg::kStartItem, "ﾌﾟﾚｲﾘｽﾄ"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CDialogEx> dialog = kDialogs[c.dialog].make(player);
        EXPECT_EQ(SpokenName(dialog->GetDlgItem(c.control)), QString::fromUtf8(c.name));
    }
}

TEST_F(DialogLook, TheFontChooserShowsItsSample)
{
    FontRecord record;
    record.faceName = QStringLiteral("IPAGothic");
    record.height = -20;
    CCustomFontDialog dialog(record);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* sample = nullptr;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (group->isVisible() && group->findChildren<QCheckBox*>().isEmpty() &&
            group->findChild<QLineEdit*>())
            sample = group->findChild<QLineEdit*>();
    }
    ASSERT_NE(sample, nullptr);
    EXPECT_GE(sample->height(), sample->fontMetrics().height() + 8) << "the sample has room for its text";
    const QImage image = sample->grab().toImage();
    const Measure text = MeasureText(image, image.rect());
    EXPECT_GE(text.contrast, kEnabledTextContrast) << "text pixels " << text.textPixels;
}

} // namespace
