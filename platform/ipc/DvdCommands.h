#pragma once
// The DVD navigator's commands, written once. Each line of SORLIN_DVD_COMMANDS is
// X(name, parameters, arguments): the command's name, its parameter list as the DVD graph and
// its proxy in the window process declare it, and the parameters' names in the order they are
// sent. From this list come the command ids, both graphs' declarations, the proxy's requests
// (MakeDvdCommand) and the media process's dispatch (DispatchDvdCommand). Every command
// returns whether the navigator carried it out.
//
// A command travels as DvdCommandArgs: the first int-like value in `a`, a second in `b`, a
// speed in `speed` and a time in `time`. The dispatch checks every enum it reads back and
// refuses a command whose values name nothing.
//
// Jumps (titles, chapters, times) are refused outside the title domain and while a still is
// shown; menus are left through their buttons or Resume. Pointer positions are in frame pixels.

#include "DvdTable.h"
#include "MediaCodes.h"

#include <QtGlobal>

#include <tuple>
#include <type_traits>

// clang-format off
#define SORLIN_DVD_COMMANDS(X)                                                                  \
    X(PlayTitle, (int title), (title))                                                          \
    X(PlayAtTimeInTitle, (int title, const ::platform::DvdTimeCode& time), (title, time))       \
    X(PlayChapterInTitle, (int title, int chapter), (title, chapter))                           \
    X(ShowMenu, (::platform::DvdMenu menu), (menu))                                             \
    /* From a menu back to the title it was called from; refused in the title domain and   */ \
    /* before any title has played.                                                        */ \
    X(Resume, (), ())                                                                           \
    X(StillOff, (), ())                                                                         \
    X(SelectButton, (::platform::DvdButtonMove move), (move))                                   \
    X(ActivateButton, (), ())                                                                   \
    X(SelectAtPosition, (int x, int y), (x, y))                                                 \
    X(ActivateAtPosition, (int x, int y), (x, y))                                               \
    X(SelectAudioStream, (int stream), (stream))             /* 0..7 */                         \
    X(SelectSubpictureStream, (int stream), (stream))        /* 0..31 */                        \
    X(SetSubpictureState, (bool shown), (shown))                                                \
    X(SelectAngle, (int angle), (angle))                     /* from 1 */                       \
    /* Scanning: faster than normal, or slower with the sound off; backwards is refused.   */ \
    X(PlayForwards, (double speed), (speed))                                                    \
    X(PlayBackwards, (double speed), (speed))                                                   \
    /* Closed captions: false when no caption decoder is available (they stay off then).   */ \
    X(SetClosedCaptions, (bool on), (on))
// clang-format on

// The declarations of the list's commands in a class that carries them out.
#define SORLIN_DVD_COMMAND_DECLARATION(name, parameters, arguments) bool name parameters;
#define SORLIN_DVD_COMMAND_DECLARATIONS SORLIN_DVD_COMMANDS(SORLIN_DVD_COMMAND_DECLARATION)

namespace platform::ipc {

// The commands, carried by Op::DvdCommand.
enum class DvdCommandId : qint32
{
    None = 0,
#define SORLIN_DVD_COMMAND_ID(name, parameters, arguments) name,
    SORLIN_DVD_COMMANDS(SORLIN_DVD_COMMAND_ID)
#undef SORLIN_DVD_COMMAND_ID
};

struct DvdCommandArgs
{
    DvdCommandId command = DvdCommandId::None;
    qint32 a = 0;
    qint32 b = 0;
    double speed = 1.0;
    DvdTimeCode time;
};

namespace dvd_command {

class Writer
{
public:
    explicit Writer(DvdCommandArgs& args) : args(args) {}
    void Put(int value) { (ints++ == 0 ? args.a : args.b) = value; }
    void Put(bool value) { Put(value ? 1 : 0); }
    void Put(double value) { args.speed = value; }
    void Put(const DvdTimeCode& value) { args.time = value; }
    void Put(DvdButtonMove value) { Put(static_cast<int>(value)); }
    void Put(DvdMenu value) { Put(static_cast<int>(value)); }

private:
    DvdCommandArgs& args;
    int ints = 0;
};

class Reader
{
public:
    explicit Reader(const DvdCommandArgs& args) : args(args) {}
    bool Ok() const { return ok; }

    template <typename T> T Take()
    {
        if constexpr (std::is_same_v<T, int>) {
            return ints++ == 0 ? args.a : args.b;
        } else if constexpr (std::is_same_v<T, bool>) {
            return Take<int>() != 0;
        } else if constexpr (std::is_same_v<T, double>) {
            return args.speed;
        } else if constexpr (std::is_same_v<T, DvdTimeCode>) {
            return args.time;
        } else if constexpr (std::is_same_v<T, DvdButtonMove>) {
            const int value = Take<int>();
            if (value < static_cast<int>(DvdButtonMove::Left) ||
                value > static_cast<int>(DvdButtonMove::Down)) {
                ok = false;
                return DvdButtonMove::Left;
            }
            return static_cast<DvdButtonMove>(value);
        } else {
            static_assert(std::is_same_v<T, DvdMenu>, "a parameter type the commands cannot carry");
            DvdMenu menu = DvdMenu::kTitle;
            ok = DvdMenuFromValue(Take<int>(), &menu) && ok;
            return menu;
        }
    }

private:
    const DvdCommandArgs& args;
    int ints = 0;
    bool ok = true;
};

// Reads the method's parameters back from `args` in the order they were written, and calls it
// when all of them name something.
template <typename Target, typename... P>
bool Call(Target& target, bool (Target::*method)(P...), const DvdCommandArgs& args)
{
    Reader reader(args);
    // A braced list is evaluated left to right, as the values were written.
    std::tuple<std::decay_t<P>...> values{reader.Take<std::decay_t<P>>()...};
    if (!reader.Ok())
        return false;
    return std::apply([&](const auto&... value) { return (target.*method)(value...); }, values);
}

} // namespace dvd_command

// The request for command `id`, made by calling the result with the command's values:
// MakeDvdCommand(DvdCommandId::PlayChapterInTitle)(title, chapter).
inline auto MakeDvdCommand(DvdCommandId id)
{
    return [id](const auto&... values) {
        DvdCommandArgs args;
        args.command = id;
        dvd_command::Writer writer(args);
        (writer.Put(values), ...);
        return args;
    };
}

// Carries out `args` on `graph`; false for an unknown command or values that name nothing.
template <typename Graph> bool DispatchDvdCommand(Graph& graph, const DvdCommandArgs& args)
{
    switch (args.command) {
#define SORLIN_DVD_COMMAND_CASE(name, parameters, arguments)                                                 \
    case DvdCommandId::name:                                                                                 \
        return dvd_command::Call(graph, &Graph::name, args);
        SORLIN_DVD_COMMANDS(SORLIN_DVD_COMMAND_CASE)
#undef SORLIN_DVD_COMMAND_CASE
    case DvdCommandId::None:
        break;
    }
    return false;
}

} // namespace platform::ipc
