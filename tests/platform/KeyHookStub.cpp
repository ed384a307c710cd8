// A stand-in for the optional keyboard hook library. HookKey delivers one Page Down key at
// once; both entry points append their name to the file SORLIN_TEST_KEYHOOK_LOG names, so a
// test can see which were called even after the library is unloaded.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Note(const char* what)
{
    const char* path = std::getenv("SORLIN_TEST_KEYHOOK_LOG");
    if (!path)
        return;
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", what);
        std::fclose(file);
    }
}

constexpr std::uintptr_t kVkNext = 0x22;

} // namespace

extern "C" __attribute__((visibility("default"))) int
HookKey(void* window, unsigned message, void (*post)(void*, unsigned, std::uintptr_t, std::intptr_t))
{
    Note("HookKey");
    post(window, message, kVkNext, 0);
    return 1;
}

extern "C" __attribute__((visibility("default"))) void UnhookKey(void)
{
    Note("UnhookKey");
}
