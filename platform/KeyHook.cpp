#include "KeyHook.h"

#include "WindowMessage.h"

#include <QLibrary>

namespace platform {

namespace {

using PostFunction = void (*)(void*, unsigned, uintptr_t, intptr_t);
using HookKeyFunction = int (*)(void*, unsigned, PostFunction);
using UnhookKeyFunction = void (*)();

void PostFromHook(void* window, unsigned message, uintptr_t wParam, intptr_t lParam)
{
    PostWindowMessage(static_cast<QObject*>(window), message, wParam, lParam);
}

} // namespace

KeyHookLibrary::KeyHookLibrary() = default;

KeyHookLibrary::~KeyHookLibrary()
{
    Unload();
}

bool KeyHookLibrary::Load(const QString& programFolder, QObject* window, unsigned message)
{
    Unload();
    auto candidate = std::make_unique<QLibrary>(programFolder + QStringLiteral("libkeyhook.so"));
    if (!candidate->load())
        return false;
    library = std::move(candidate);
    if (auto hook = reinterpret_cast<HookKeyFunction>(library->resolve("HookKey")))
        hook(window, message, &PostFromHook);
    return true;
}

void KeyHookLibrary::Unload()
{
    if (!library)
        return;
    if (auto unhook = reinterpret_cast<UnhookKeyFunction>(library->resolve("UnhookKey")))
        unhook();
    library->unload();
    library.reset();
}

} // namespace platform
