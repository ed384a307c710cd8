#pragma once
// The texts of GetPluginInfo: 0 the version, 1 the product name, 2 and 3 the file-type patterns
// and their description. spi::CopyPluginInfo hands them to the caller.

#include <string_view>

namespace ifqtimage {

// Information `number`; empty for an unknown number.
std::string_view InfoText(int number);

} // namespace ifqtimage
