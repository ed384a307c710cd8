#pragma once
// The texts of GetPluginInfo: 0 the version, 1 the product name, 2 and 3 the file-type patterns
// and their description.

namespace ifqtimage {

// Copies information `number` into `buffer` (at most `length` characters, with a terminating
// zero when there is room) and returns the characters written; 0 for an unknown number.
int CopyPluginInfo(int number, char* buffer, int length);

} // namespace ifqtimage
