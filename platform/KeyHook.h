#pragma once
// The optional keyboard hook library "libkeyhook.so" in the program folder. It exports
//
//   extern "C" int HookKey(void* window, unsigned message,
//                          void (*post)(void* window, unsigned message, uintptr_t wParam, intptr_t lParam));
//   extern "C" void UnhookKey(void);
//
// HookKey starts delivering key presses to `window` by calling `post` (from any thread) with
// `message`, the key's virtual-key code as wParam and, when the library knows it, the display
// server's time of the press as lParam (else 0); UnhookKey stops it. Its result is unused.

#include <QString>

#include <cstdint>
#include <memory>

class QLibrary;
class QObject;

namespace platform {

class KeyHookLibrary
{
public:
    KeyHookLibrary();
    ~KeyHookLibrary();
    KeyHookLibrary(const KeyHookLibrary&) = delete;
    KeyHookLibrary& operator=(const KeyHookLibrary&) = delete;

    // Loads the library from `programFolder` and, when it exports HookKey, calls it so that
    // keys reach `window` as `message`. A missing library or export is no error: the result
    // only says whether the library is loaded.
    bool Load(const QString& programFolder, QObject* window, unsigned message);
    // Calls UnhookKey when present and unloads the library.
    void Unload();
    bool IsLoaded() const { return library != nullptr; }

private:
    std::unique_ptr<QLibrary> library;
};

} // namespace platform
