#pragma once
// The program's dialog layouts as data: each control with its id, kind, text and place. The
// skinned dialog base builds the widgets from them, so every control is found by its id.
// Places are in pixels at scale 1; the title strip covers the top 19 pixels.

#include <QStringList>

#include <array>
#include <span>

namespace res {

constexpr int kDialogAbout = 100;
constexpr int kDialogLaunch = 131;
constexpr int kDialogAlarm = 132;
constexpr int kDialogPosition = 133;
constexpr int kDialogPlaylist = 134;
constexpr int kDialogPlaySettings = 135;
constexpr int kDialogProgress = 139;
constexpr int kDialogFont = 1543;

// Controls every dialog shares: its OK and Cancel buttons, its static texts and its title.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdStatic = -1;
constexpr int kIdTitle = 1042;

enum class ControlKind
{
    kStatic,    // a text
    kEdit,      // a one-line text field
    kCheckBox,  // a check box with its text
    kButton,    // an elliptic push button
    kDropList,  // a drop-down list to choose from
    kListBox,   // a list of lines the user may reorder
    kIcon,      // the program icon
    kLink,      // a text that opens its target when clicked
    kComboEdit, // a drop-down list that also takes typed text
    kGroup,     // a frame with a caption around the controls that follow it
};

enum ControlFlag : unsigned
{
    kNoFlags = 0,
    kHidden = 1,
    kDefault = 2, // the button Enter presses
    kDisabled = 4,
};

struct ControlTemplate
{
    int id;
    ControlKind kind;
    const char* text; // UTF-8
    int x, y, width, height;
    unsigned flags = kNoFlags;
    // A list's initial rows: `everyRow` (when set), then the numbers first … last.
    const char* everyRow = nullptr;
    int first = 0;
    int last = -1;
    // A text's: the controls it names, for screen readers (0 for none). A control named by
    // several texts takes them all, in layout order ("待ち時間", "秒").
    std::array<int, 2> labelFor{};
};

struct DialogTemplate
{
    int id;
    int width, height;
    std::span<const ControlTemplate> controls;
    bool widthResizable = false; // the user may make it wider or narrower, never taller
};

// The layout of dialog `id`; nullptr when there is none.
const DialogTemplate* FindDialogTemplate(int id);

// The rows a list control starts with.
QStringList InitialItems(const ControlTemplate& control);

} // namespace res
