// Every skinned dialog as its user sees it, on a real X display (tests/support/with-display)
// at the scale QT_SCALE_FACTOR gives. In the default skin, a skin with a white base and the
// design's default colours, the text of every control reads on its fill, measured on the grab's
// pixels by the WCAG 2 ratio; disabled text is fainter but readable and a disabled edit lies
// flat; Tab rings every control in turn; fields carry their labels' names. SORLIN_GRAB_DIR, when
// set, keeps every grab there.

#include "app/AboutDlg.h"
#include "clock/AlarmDlg.h"
#include "clock/CustomFontDialog.h"
#include "clock/LaunchDlg.h"
#include "clock/PosDialog.h"
#include "mediadialogs/CDSetDlg.h"
#include "mediadialogs/PlayListDlg.h"
#include "player/ProgressDlg.h"
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

struct Measure
{
    QColor fill;
    double contrast = 0; // of the text's strongest pixels (a few: not one stray) against the fill
};

// The fill is the commonest colour of `area`; the text is what differs from it.
Measure MeasureText(const QImage& image, const QRect& area)
{
    constexpr int kTextPixels = 6;
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
    for (auto it = counts.begin(); it != counts.end(); ++it)
        ratios.insert(ratios.end(), it.value(), ContrastRatio(QColor::fromRgb(it.key()), measure.fill));
    if (ratios.size() >= kTextPixels) {
        std::nth_element(ratios.begin(), ratios.begin() + (kTextPixels - 1), ratios.end(), std::greater<>());
        measure.contrast = ratios[kTextPixels - 1];
    }
    return measure;
}

// Where a control draws its text, in dialog coordinates; empty for none.
QRect TextArea(const QWidget* control)
{
    const QRect box = control->geometry();
    const auto in = [box](const QRect& local) { return local.translated(box.topLeft()); };
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text().isEmpty() ? QRect() : box;
    if (const auto* check = qobject_cast<const QCheckBox*>(control)) {
        QStyleOptionButton option;
        option.initFrom(check);
        option.text = check->text();
        return in(check->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, check));
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
        return in(
            group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group));
    }
    if (qobject_cast<const CButtonEx*>(control))
        return box.adjusted(box.width() / 6, 5, -box.width() / 6, -5);
    return {};
}

QRect Scaled(const QRect& area, const QImage& image)
{
    const qreal ratio = image.devicePixelRatio();
    return QRect(qRound(area.left() * ratio), qRound(area.top() * ratio), qRound(area.width() * ratio),
                 qRound(area.height() * ratio));
}

CDialogEx::Colours SkinColours(const QByteArray& ini)
{
    TempHome home;
    SkinDefinition skin;
    ReadSkinDefinition(ini.isEmpty() ? QStringLiteral(SORLIN_DEFAULT_SKIN)
                                     : home.WriteFile(QStringLiteral("skin.ini"), ini),
                       &skin);
    return CDialogEx::ColoursOf(skin);
}

struct SkinCase
{
    const char* name;
    std::function<CDialogEx::Colours()> colours;
};

const SkinCase kSkins[] = {
    {"DefaultSkin", [] { return SkinColours({}); }},
    {"WhiteBase", [] { return SkinColours("[Position]\nBaseClr=FFFFFF\nEditClr=FFFFFF\nCtrlClr=F0F0F0\n"); }},
    {"SkinDefaults", [] { return SkinColours("[Position]\n"); }},
    {"DialogDefaults", [] { return CDialogEx::Colours{}; }},
};

// The dialogs, each made as its owner makes it, with values to show.
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
    {"Position", // the size is the skin's: width, height and picture are disabled
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
         return dialog;
     }},
    {"Playlist", [](CMediaPlayer& player) { return std::make_unique<CPLayListDlg>(player); }},
    {"PlaySettings",
     [](CMediaPlayer& player) {
         return std::make_unique<CCDSetDlg>(player, player.Items(), player.GetPlaySettings(),
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

    std::unique_ptr<CDialogEx> Show(const DialogCase& which, const SkinCase& skin)
    {
        std::unique_ptr<CDialogEx> dialog = which.make(player);
        dialog->SetColours(skin.colours());
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }

    CMediaPlayer player{platform::DriveTable()};
};

class DialogContrastTest : public DialogLook,
                           public ::testing::WithParamInterface<std::tuple<DialogCase, SkinCase>>
{};

TEST_P(DialogContrastTest, EveryTextReadsOnItsFill)
{
    const auto& [which, skin] = GetParam();
    std::unique_ptr<CDialogEx> dialog = Show(which, skin);
    dialog->findChild<FocusRing*>()->hide(); // its pixels are no text
    const QPixmap grab = dialog->grab();
    if (const QString folder = qEnvironmentVariable("SORLIN_GRAB_DIR"); !folder.isEmpty()) {
        QDir().mkpath(folder);
        grab.save(QStringLiteral("%1/%2-%3@%4.png")
                      .arg(folder, which.name, skin.name)
                      .arg(grab.devicePixelRatio()));
    }
    const QImage image = grab.toImage();
    const QColor base = ToQColor(dialog->GetColours().base);

    EXPECT_GE(MeasureText(image, Scaled(QRect(0, 0, dialog->width(), 18), image)).contrast,
              kEnabledTextContrast)
        << "the title strip";
    int measured = 0;
    double enabledEdit = 99;
    double disabledEdit = 0;
    for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const QRect area = control->isVisible() ? TextArea(control) : QRect();
        if (area.isEmpty())
            continue;
        ++measured;
        const Measure text = MeasureText(image, Scaled(area, image));
        const double least = control->isEnabled() ? kEnabledTextContrast : kDisabledTextContrast;
        EXPECT_GE(text.contrast, least)
            << control->objectName().toStdString() << " on " << text.fill.name().toStdString();
        if (qobject_cast<QLineEdit*>(control) && control->isEnabled()) {
            enabledEdit = std::min(enabledEdit, text.contrast);
        } else if (qobject_cast<QLineEdit*>(control)) {
            disabledEdit = std::max(disabledEdit, text.contrast);
            EXPECT_EQ(text.fill, base) << "a disabled edit lies flat on the dialog";
        }
    }
    EXPECT_GE(measured, 3);
    EXPECT_GT(enabledEdit, disabledEdit * 1.2) << "an enabled edit stands out from a disabled one";

    // The list's rows read on their fill, and only the selected one has a fill of its own.
    if (auto* list = dialog->findChild<CListBoxEx*>()) {
        for (int row = 0; row + 1 < list->count(); ++row) {
            const QRect line = list->visualItemRect(list->item(row))
                                   .translated(list->viewport()->mapTo(dialog.get(), QPoint()));
            const Measure text = MeasureText(image, Scaled(line, image));
            EXPECT_GE(text.contrast, kEnabledTextContrast) << "row " << row;
            EXPECT_EQ(text.fill != ToQColor(dialog->GetColours().edit), row == list->currentRow())
                << "row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogContrastTest,
                         ::testing::Combine(::testing::ValuesIn(kDialogs), ::testing::ValuesIn(kSkins)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

class DialogKeyboardTest : public DialogLook, public ::testing::WithParamInterface<DialogCase>
{};

// Tab visits every control that takes the keyboard, from the first one on, and each time a ring
// appears around the control that has it, in a colour that stands out from the dialog (3 : 1).
TEST_P(DialogKeyboardTest, TabRingsEveryControlInTurn)
{
    std::unique_ptr<CDialogEx> dialog = Show(GetParam(), kSkins[0]);
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto* ring = dialog->findChild<FocusRing*>();
    QSet<QWidget*> expected;
    for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->isVisible() && control->isEnabled() && (control->focusPolicy() & Qt::TabFocus))
            expected.insert(control);
    }
    QWidget* first = QApplication::focusWidget();
    ASSERT_TRUE(expected.contains(first)) << "the dialog starts with a control that has the keyboard";
    QSet<QWidget*> visited;
    QImage before;
    for (QWidget* focus = first; !visited.contains(focus); focus = QApplication::focusWidget()) {
        ASSERT_TRUE(testsupport::WaitUntil([&] { return ring->Target() == focus; }, 5000));
        const QImage now = dialog->grab().toImage();
        if (!before.isNull()) {
            const QRect band = Scaled(ring->geometry(), now);
            double strongest = 0;
            for (int y = band.top(); y <= band.bottom(); ++y) {
                for (int x = band.left(); x <= band.right(); ++x) {
                    if (now.rect().contains(x, y) && now.pixel(x, y) != before.pixel(x, y))
                        strongest = std::max(strongest, ContrastRatio(now.pixelColor(x, y),
                                                                      ToQColor(dialog->GetColours().base)));
                }
            }
            EXPECT_GE(strongest, 3.0) << focus->objectName().toStdString();
        }
        visited.insert(focus);
        before = now;
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, expected);
}

// What a screen reader on this desktop calls a control: a drop-down by the texts that label it
// (its own name is its value here), anything else by its name.
QString SpokenName(QWidget* control)
{
    QAccessibleInterface* described = QAccessible::queryAccessibleInterface(control);
    if (described->role() != QAccessible::ComboBox)
        return described->text(QAccessible::Name);
    QStringList labels;
    for (const auto& [label, relation] : described->relations(QAccessible::Label))
        labels << label->text(QAccessible::Name);
    return labels.join(u' ');
}

// Every control that takes the keyboard has a name, and with its kind no two are alike.
TEST_P(DialogKeyboardTest, EveryControlHasANameOfItsOwn)
{
    std::unique_ptr<CDialogEx> dialog = Show(GetParam(), kSkins[0]);
    QHash<QString, QString> seen;
    for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isVisible() || !control->isEnabled() || !(control->focusPolicy() & Qt::TabFocus))
            continue;
        const QString name = SpokenName(control);
        const QString spoken = name + QString::number(QAccessible::queryAccessibleInterface(control)->role());
        EXPECT_FALSE(name.isEmpty()) << control->objectName().toStdString();
        EXPECT_FALSE(seen.contains(spoken)) << name.toStdString() << ": " << seen.value(spoken).toStdString();
        seen.insert(spoken, control->objectName());
    }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DialogKeyboardTest, ::testing::ValuesIn(kDialogs),
                         [](const auto& info) { return std::string(info.param.name); });

// A field is named by its texts after the frame around it; a labelled button keeps its caption.
TEST_F(DialogLook, FieldsAreNamedByTheirLabelsAndTheirFrame)
{
    const std::tuple<int, int, const char*> cases[] = {
        {0, CLaunchDlg::kHour, "時"},
        {2, CPosDialog::kWaitTime, "待ち時間 秒"},
        {2, CPosDialog::kPlugInBrowse, "ﾌﾟﾗｸﾞｲﾝ 参照..."},
        {6, CCDSetDlg::kDvdTrack, "DVD 再生開始ﾄﾗｯｸ"},
        {6, CCDSetDlg::kStartItem, "ﾌﾟﾚｲﾘｽﾄ"},
    };
    for (const auto& [dialog, control, name] : cases)
        EXPECT_EQ(SpokenName(kDialogs[dialog].make(player)->GetDlgItem(control)), QString::fromUtf8(name));
}

TEST_F(DialogLook, TheFontChooserShowsItsSample)
{
    FontRecord record;
    record.faceName = QStringLiteral("IPAGothic");
    CCustomFontDialog dialog(record);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QLineEdit* sample = nullptr;
    for (QGroupBox* group : dialog.findChildren<QGroupBox*>()) {
        if (group->isVisible() && group->findChild<QLineEdit*>())
            sample = group->findChild<QLineEdit*>();
    }
    ASSERT_NE(sample, nullptr);
    EXPECT_GE(sample->height(), sample->fontMetrics().height() + 8) << "room for its text";
    const QImage image = sample->grab().toImage();
    EXPECT_GE(MeasureText(image, image.rect()).contrast, kEnabledTextContrast);
}

} // namespace
