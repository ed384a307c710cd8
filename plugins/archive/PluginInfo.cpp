#include "PluginInfo.h"

namespace axarchive {

std::string_view InfoText(int number)
{
    switch (number) {
    case 0:
        return "00AM";
    case 1:
        return "Sorlin archive reader (libarchive)";
    case 2:
        return "*.zip;*.7z;*.tar;*.tgz;*.tar.gz;*.tbz;*.tar.bz2;*.txz;*.tar.xz;*.lzh;*.lha;*.cab;*.rar;*.iso;"
               "*.wsz";
    case 3:
        return "Archives";
    default:
        return {};
    }
}

} // namespace axarchive
