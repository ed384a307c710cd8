// The keyboard hook library built here (libkeyhook.so), loaded as the program loads it, on a
// virtual X display of its own: keys typed with the XTEST extension, as a keyboard types them,
// whichever window has the focus.

#include "Harness.h"
#include "platform/KeyHook.h"
#include "platform/WindowMessage.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace e2e;

// The window as far as the hook goes: it keeps the keys it is given.
class KeyRecorder : public QObject
{
public:
    std::vector<platform::WPARAM> keys;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != platform::WindowMessageEvent::Type())
            return;
        const auto* message = static_cast<platform::WindowMessageEvent*>(event);
        if (message->message == kHookMessage)
            keys.push_back(message->wParam);
    }

public:
    static constexpr unsigned kHookMessage = 0x404;
};

constexpr platform::WPARAM kVkPrior = 0x21;
constexpr platform::WPARAM kVkNext = 0x22;

class KeyHookE2eTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display.IsRunning());
        // The hook watches the display the program runs on.
        qputenv("DISPLAY", display.Name().toUtf8());
    }
    void Type(const QStringList& keys) { TypeKeys(display.Name(), keys); }

    VirtualDisplay display{false};
    KeyRecorder window;
};

TEST_F(KeyHookE2eTest, PageUpAndPageDownReachTheWindowAndNothingElseDoes)
{
    platform::KeyHookLibrary hook;
    ASSERT_TRUE(hook.Load(QStringLiteral(SORLIN_KEYHOOK_DIR), &window, KeyRecorder::kHookMessage));
    // Letters, the keypad and modifiers typed before each page key would come first if they were
    // passed on.
    Type({QStringLiteral("a"), QStringLiteral("KP_Next"), QStringLiteral("Next"), QStringLiteral("shift+b"),
          QStringLiteral("Return"), QStringLiteral("Prior")});
    ASSERT_TRUE(WaitUntil([&] { return window.keys.size() >= 2; }));
    EXPECT_EQ(window.keys, (std::vector<platform::WPARAM>{kVkNext, kVkPrior}));

    // Unhooked, a key is not seen; hooked again, the next one is.
    hook.Unload();
    Type({QStringLiteral("Next")});
    ASSERT_TRUE(hook.Load(QStringLiteral(SORLIN_KEYHOOK_DIR), &window, KeyRecorder::kHookMessage));
    Type({QStringLiteral("Prior")});
    ASSERT_TRUE(WaitUntil([&] { return window.keys.size() >= 3; }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(window.keys, (std::vector<platform::WPARAM>{kVkNext, kVkPrior, kVkPrior}));
}

TEST_F(KeyHookE2eTest, WithoutAnXDisplayNothingIsHookedAndTheProgramGoesOn)
{
    // A native Wayland session has no X display to watch.
    qunsetenv("DISPLAY");
    platform::KeyHookLibrary hook;
    EXPECT_TRUE(hook.Load(QStringLiteral(SORLIN_KEYHOOK_DIR), &window, KeyRecorder::kHookMessage));
    hook.Unload();
    EXPECT_FALSE(hook.IsLoaded());
}

} // namespace
