#include "PluginInfo.h"

#include <algorithm>
#include <cstring>

namespace spi {

int CopyPluginInfo(std::string_view text, char* buffer, int length)
{
    if (!buffer || length <= 0 || text.empty())
        return 0;
    const auto written = static_cast<int>(std::min<size_t>(text.size(), static_cast<size_t>(length)));
    std::memcpy(buffer, text.data(), static_cast<size_t>(written));
    if (written < length)
        buffer[written] = '\0';
    return written;
}

} // namespace spi
