#include "PluginInfo.h"
#include "Formats.h"

namespace ifqtimage {

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

} // namespace ifqtimage
