#pragma once
// The module is built with hidden symbols; only what is marked here leaves it.

#define AXARCHIVE_EXPORT extern "C" __attribute__((visibility("default")))
