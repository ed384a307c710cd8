#pragma once
// GetPluginInfo's copying of one of a module's texts (0 the version, 1 the product name, 2 and 3
// the file-type patterns and their description) into the caller's buffer.

#include <string_view>

namespace spi {

// Copies `text` into `buffer` (at most `length` characters, with a terminating zero when there is
// room) and returns the characters written; 0 for an empty text (an unknown number), a null
// buffer or a length below 1.
int CopyPluginInfo(std::string_view text, char* buffer, int length);

} // namespace spi
