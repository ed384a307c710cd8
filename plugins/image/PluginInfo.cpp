#include "PluginInfo.h"
#include "Formats.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace ifqtimage {

namespace {

std::string_view InfoText(int number)
{
    switch (number) {
    case 0:
        return "00IN";
    case 1:
        return "Sorlin image reader";
    case 2:
        return FilePatterns();
    case 3:
        return FileTypeDescription();
    default:
        return {};
    }
}

} // namespace

int CopyPluginInfo(int number, char* buffer, int length)
{
    if (!buffer || length <= 0)
        return 0;
    const std::string_view text = InfoText(number);
    if (text.empty())
        return 0;
    const auto written = static_cast<int>(std::min<size_t>(text.size(), static_cast<size_t>(length)));
    std::memcpy(buffer, text.data(), static_cast<size_t>(written));
    if (written < length)
        buffer[written] = '\0';
    return written;
}

} // namespace ifqtimage
