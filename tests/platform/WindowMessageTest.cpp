#include "platform/WindowMessage.h"
#include "platform/KeyHook.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <memory>
#include <thread>

namespace {

using namespace platform;
using testsupport::WaitUntil;

// A window stand-in that notes every message it receives and the thread it ran on.
class MessageRecorder : public QObject
{
public:
    struct Received
    {
        unsigned message;
        WPARAM wParam;
        LPARAM lParam;
        QThread* thread;
    };
    std::vector<Received> received;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == WindowMessageEvent::Type()) {
            const auto* m = static_cast<WindowMessageEvent*>(event);
            received.push_back({m->message, m->wParam, m->lParam, QThread::currentThread()});
        }
    }
};

TEST(WindowMessageTest, MessagesPostedFromAnotherThreadArriveInOrderOnTheReceiversThread)
{
    MessageRecorder window;
    constexpr int kCount = 50;
    constexpr WPARAM kBigW = std::numeric_limits<WPARAM>::max();
    constexpr LPARAM kSmallL = std::numeric_limits<LPARAM>::min();
    std::thread sender([&] {
        for (int i = 0; i < kCount; ++i)
            PostWindowMessage(&window, 0x8000 + i, kBigW - i, kSmallL + i);
    });
    sender.join();
    ASSERT_TRUE(WaitUntil([&] { return window.received.size() >= kCount; }));
    ASSERT_EQ(window.received.size(), size_t(kCount));
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(window.received[i].message, 0x8000u + i);
        EXPECT_EQ(window.received[i].wParam, kBigW - i);
        EXPECT_EQ(window.received[i].lParam, kSmallL + i);
        EXPECT_EQ(window.received[i].thread, window.thread());
    }
}

class Dialog : public QObject
{
public:
    LRESULT OnPlay(WPARAM w, LPARAM l)
    {
        calls.push_back("play");
        return static_cast<LRESULT>(w) + l;
    }
    LRESULT OnStop(WPARAM, LPARAM)
    {
        calls.push_back("stop");
        return -1;
    }
    std::vector<std::string> calls;
};

constexpr std::array<MessageMapEntry<Dialog>, 2> kDialogMap{{
    {0x8001, &Dialog::OnPlay},
    {0x8002, &Dialog::OnStop},
}};

TEST(WindowMessageTest, DispatchCallsTheHandlerTheMapListsForTheMessage)
{
    Dialog dialog;
    LRESULT result = 0;
    EXPECT_TRUE(
        DispatchWindowMessage<Dialog>(&dialog, kDialogMap, WindowMessageEvent(0x8001, 40, 2), &result));
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(
        DispatchWindowMessage<Dialog>(&dialog, kDialogMap, WindowMessageEvent(0x8002, 0, 0), &result));
    EXPECT_EQ(result, -1);
    result = 7;
    EXPECT_FALSE(
        DispatchWindowMessage<Dialog>(&dialog, kDialogMap, WindowMessageEvent(0x8003, 1, 1), &result));
    EXPECT_EQ(result, 7);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"play", "stop"}));
}

// A dialog that dispatches through its message map, as the main window does.
class MappedDialog : public Dialog
{
protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() == WindowMessageEvent::Type())
            DispatchWindowMessage<Dialog>(this, kDialogMap, *static_cast<WindowMessageEvent*>(event));
    }
};

TEST(WindowMessageTest, MessagesThatArriveDuringABoundedWaitWaitForItsEndInTheirOrder)
{
    MappedDialog dialog;
    {
        const BoundedWait outer;
        PostWindowMessage(&dialog, 0x8002);
        {
            const BoundedWait inner;
            PostWindowMessage(&dialog, 0x8001, 1, 2);
            QCoreApplication::processEvents();
        }
        // The inner wait is over, the outer is not: both are still held.
        QCoreApplication::processEvents();
        EXPECT_TRUE(dialog.calls.empty());
        EXPECT_TRUE(BoundedWait::InProgress());
    }
    EXPECT_FALSE(BoundedWait::InProgress());
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"stop", "play"}));

    // Outside a wait a message is handled when it arrives; a held one whose window has gone is
    // dropped.
    PostWindowMessage(&dialog, 0x8001);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.calls.size(), 3u);
    {
        const BoundedWait wait;
        auto gone = std::make_unique<MappedDialog>();
        PostWindowMessage(gone.get(), 0x8001);
        QCoreApplication::processEvents();
        gone.reset();
    }
    QCoreApplication::processEvents();
}

TEST(AtomTableTest, SameTextSharesAnAtomUntilEveryReferenceIsDeleted)
{
    AtomTable atoms;
    const uint16_t a = atoms.Add(QStringLiteral("/music/曲.mp3"));
    const uint16_t b = atoms.Add(QStringLiteral("/music/other.mp3"));
    EXPECT_GE(a, 0xC000);
    EXPECT_GE(b, 0xC000);
    EXPECT_NE(a, b);
    EXPECT_EQ(atoms.Add(QStringLiteral("/music/曲.mp3")), a);
    EXPECT_EQ(atoms.Size(), 2u);

    atoms.Delete(a);
    EXPECT_EQ(atoms.Get(a), QStringLiteral("/music/曲.mp3"));
    atoms.Delete(a);
    EXPECT_TRUE(atoms.Get(a).isNull());
    atoms.Delete(a); // one too many: no effect on the others
    EXPECT_EQ(atoms.Get(b), u"/music/other.mp3");
    EXPECT_TRUE(atoms.Get(0).isNull());
    EXPECT_TRUE(atoms.Get(0xC000 + 1234).isNull());
}

TEST(AtomTableTest, NumbersStayInTheAtomRangeWhenTheyWrapAround)
{
    AtomTable atoms;
    const uint16_t kept = atoms.Add(QStringLiteral("kept"));
    for (int i = 0; i < 0x4000 + 16; ++i) {
        const QString text = QString::number(i);
        const uint16_t atom = atoms.Add(text);
        ASSERT_GE(atom, 0xC000) << i;
        ASSERT_NE(atom, kept) << i;
        ASSERT_EQ(atoms.Get(atom), text);
        atoms.Delete(atom);
    }
    EXPECT_EQ(atoms.Get(kept), u"kept");
}

class KeyHookTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        log = dir.filePath("calls.log");
        qputenv("SORLIN_TEST_KEYHOOK_LOG", log.toUtf8());
    }
    void TearDown() override { qunsetenv("SORLIN_TEST_KEYHOOK_LOG"); }
    QByteArray Calls() const { return testsupport::ReadFile(log); }

    static constexpr unsigned kHookMessage = 0x8123;
    QTemporaryDir dir;
    QString log;
    MessageRecorder window;
};

TEST_F(KeyHookTest, LoadedLibraryDeliversKeysAndIsUnhookedOnUnload)
{
    KeyHookLibrary hook;
    ASSERT_TRUE(hook.Load(QStringLiteral(SORLIN_TEST_KEYHOOK_DIR), &window, kHookMessage));
    EXPECT_TRUE(hook.IsLoaded());
    EXPECT_EQ(Calls(), "HookKey\n");
    ASSERT_TRUE(WaitUntil([&] { return !window.received.empty(); }));
    EXPECT_EQ(window.received[0].message, kHookMessage);
    EXPECT_EQ(window.received[0].wParam, 0x22u); // VK_NEXT

    hook.Unload();
    EXPECT_FALSE(hook.IsLoaded());
    EXPECT_EQ(Calls(), "HookKey\nUnhookKey\n");
    hook.Unload();
    EXPECT_EQ(Calls(), "HookKey\nUnhookKey\n");
}

TEST_F(KeyHookTest, DestroyingTheLoaderUnhooks)
{
    {
        KeyHookLibrary hook;
        ASSERT_TRUE(hook.Load(QStringLiteral(SORLIN_TEST_KEYHOOK_DIR), &window, kHookMessage));
    }
    EXPECT_EQ(Calls(), "HookKey\nUnhookKey\n");
}

TEST_F(KeyHookTest, AFolderWithoutTheLibraryLoadsNothing)
{
    KeyHookLibrary hook;
    EXPECT_FALSE(hook.Load(dir.path() + u'/', &window, kHookMessage));
    EXPECT_FALSE(hook.IsLoaded());
    hook.Unload();
    QCoreApplication::sendPostedEvents(); // delivers anything posted by mistake
    EXPECT_TRUE(window.received.empty());
    EXPECT_FALSE(QFile::exists(log));
}

} // namespace
