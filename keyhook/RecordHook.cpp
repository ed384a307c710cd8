// The keyboard hook library (libkeyhook.so): PageUp and PageDown pressed anywhere on the X
// display reach the window, whichever window has the keyboard. The keys are watched through the
// X server's RECORD extension, which sees every key press without taking it from the window
// that has the focus; the watch runs on a thread and two connections of its own (one makes and
// ends the recording, the other receives it). Only those two keys are passed on, as the
// virtual-key codes 0x21 and 0x22 with the server's time of the press (lParam): nothing else
// that is typed leaves the X server. Without an X
// display (a native Wayland session) or without RECORD it hooks nothing. The keypad's PageUp and
// PageDown are not included: with NumLock on they type digits.
//
//   int HookKey(void* window, unsigned message, post)   starts the watch; 1 when it runs
//   void UnhookKey(void)                                 ends it; no call to post after it returns

#include <xcb/record.h>
#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using PostFunction = void (*)(void* window, unsigned message, uintptr_t wParam, intptr_t lParam);

constexpr uint32_t kKeysymPrior = 0xff55;
constexpr uint32_t kKeysymNext = 0xff56;
constexpr uint8_t kVkPrior = 0x21;
constexpr uint8_t kVkNext = 0x22;

// The kinds of recorded data (the RECORD protocol's categories).
constexpr uint8_t kFromServer = 0;
constexpr uint8_t kStartOfData = 4;
constexpr uint8_t kEndOfData = 5;
// A recorded event is an X event: 32 bytes, its type first, its key code second, and the
// server's time of it at byte 4.
constexpr int kEventSize = 32;
constexpr int kTimeOffset = 4;

struct FreeReply
{
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

class RecordHook
{
public:
    RecordHook(void* window, unsigned message, PostFunction post)
        : window(window), message(message), post(post)
    {}
    ~RecordHook() { Stop(); }
    RecordHook(const RecordHook&) = delete;
    RecordHook& operator=(const RecordHook&) = delete;

    bool Start()
    {
        control = xcb_connect(nullptr, nullptr);
        data = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(control) || xcb_connection_has_error(data))
            return false;
        const xcb_query_extension_reply_t* record = xcb_get_extension_data(control, &xcb_record_id);
        if (!record || !record->present)
            return false;
        ReadKeyMap();

        context = xcb_generate_id(control);
        xcb_record_range_t range{};
        range.device_events.first = XCB_KEY_PRESS;
        range.device_events.last = XCB_KEY_PRESS;
        const xcb_record_client_spec_t clients = XCB_RECORD_CS_ALL_CLIENTS;
        Reply<xcb_generic_error_t> error(xcb_request_check(
            control, xcb_record_create_context_checked(control, context, 0, 1, 1, &clients, &range)));
        if (error) {
            context = 0;
            return false;
        }
        // The data connection's one request answers once per recorded batch until the context
        // is disabled. Its first answer says the recording runs: a key pressed after HookKey
        // returns is seen.
        const xcb_record_enable_context_cookie_t cookie = xcb_record_enable_context(data, context);
        Reply<xcb_record_enable_context_reply_t> first(
            xcb_record_enable_context_reply(data, cookie, nullptr));
        if (!first || first->category != kStartOfData) {
            xcb_record_free_context(control, context);
            context = 0;
            return false;
        }
        reader = std::thread([this, cookie] { Read(cookie); });
        return true;
    }

private:
    // Which key codes stand for PageUp and PageDown on this keyboard (the unshifted symbol).
    void ReadKeyMap()
    {
        const xcb_setup_t* setup = xcb_get_setup(control);
        const int first = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        if (count <= 0)
            return;
        Reply<xcb_get_keyboard_mapping_reply_t> map(xcb_get_keyboard_mapping_reply(
            control,
            xcb_get_keyboard_mapping(control, static_cast<xcb_keycode_t>(first), static_cast<uint8_t>(count)),
            nullptr));
        if (!map || map->keysyms_per_keycode == 0)
            return;
        const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(map.get());
        const int perKey = map->keysyms_per_keycode;
        const int available = xcb_get_keyboard_mapping_keysyms_length(map.get()) / perKey;
        for (int i = 0; i < count && i < available && first + i < 256; ++i) {
            const xcb_keysym_t symbol = symbols[i * perKey];
            if (symbol == kKeysymPrior)
                vkOfKey[static_cast<size_t>(first + i)] = kVkPrior;
            else if (symbol == kKeysymNext)
                vkOfKey[static_cast<size_t>(first + i)] = kVkNext;
        }
    }

    void Read(xcb_record_enable_context_cookie_t cookie)
    {
        for (;;) {
            Reply<xcb_record_enable_context_reply_t> reply(
                xcb_record_enable_context_reply(data, cookie, nullptr));
            if (!reply || reply->category == kEndOfData)
                return;
            if (reply->category != kFromServer)
                continue;
            const uint8_t* events = xcb_record_enable_context_data(reply.get());
            const int length = xcb_record_enable_context_data_length(reply.get());
            for (int at = 0; at + kEventSize <= length; at += kEventSize) {
                if ((events[at] & 0x7f) != XCB_KEY_PRESS)
                    continue;
                if (const uint8_t vk = vkOfKey[events[at + 1]]) {
                    // The press's server time, which the window's own key event of the same
                    // press carries too.
                    uint32_t time = 0;
                    std::memcpy(&time, events + at + kTimeOffset, sizeof time);
                    post(window, message, vk, static_cast<intptr_t>(time));
                }
            }
        }
    }

    void Stop()
    {
        if (context) {
            xcb_record_disable_context(control, context);
            xcb_flush(control);
        }
        if (reader.joinable())
            reader.join();
        if (context) {
            xcb_record_free_context(control, context);
            xcb_flush(control);
        }
        if (data)
            xcb_disconnect(data);
        if (control)
            xcb_disconnect(control);
    }

    void* const window;
    const unsigned message;
    const PostFunction post;
    xcb_connection_t* control = nullptr;
    xcb_connection_t* data = nullptr;
    xcb_record_context_t context = 0;
    std::array<uint8_t, 256> vkOfKey{}; // 0 for the keys that are not passed on
    std::thread reader;
};

std::mutex hookLock;
std::unique_ptr<RecordHook> hook;

} // namespace

extern "C" __attribute__((visibility("default"))) int HookKey(void* window, unsigned message,
                                                              PostFunction post)
{
    const std::lock_guard<std::mutex> lock(hookLock);
    hook.reset();
    if (!post)
        return 0;
    auto started = std::make_unique<RecordHook>(window, message, post);
    if (!started->Start())
        return 0;
    hook = std::move(started);
    return 1;
}

extern "C" __attribute__((visibility("default"))) void UnhookKey()
{
    const std::lock_guard<std::mutex> lock(hookLock);
    hook.reset();
}
