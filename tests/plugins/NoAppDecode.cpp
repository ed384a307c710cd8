// Loads the image plug-in in a process that never creates a Qt application object and decodes
// the files named on the command line. For each file one line:
//   <IsSupported with a descriptor probe> <GetPicture code> <width> <height> <b> <g> <r>
// with the colour of the top-left pixel; then "application <0|1>" telling whether a Qt
// application object exists afterwards, and "qt-image-plugins <n>": how many of Qt's image
// format plug-ins the process has loaded by then.

#include "spi/SusieApi.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Qt's image format plug-ins mapped into this process.
int LoadedQtImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return -1;
    QList<QByteArray> modules;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype at = line.indexOf("/imageformats/");
        if (at >= 0 && !modules.contains(line.mid(at)))
            modules.append(line.mid(at));
    }
    return static_cast<int>(modules.size());
}

int32_t Little32(const unsigned char* at)
{
    return static_cast<int32_t>(at[0] | (at[1] << 8) | (at[2] << 16) | (uint32_t(at[3]) << 24));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 3;
    }
    const auto isSupported = reinterpret_cast<SpiIsSupported>(dlsym(module, "IsSupported"));
    const auto getPicture = reinterpret_cast<SpiGetPicture>(dlsym(module, "GetPicture"));
    if (!isSupported || !getPicture)
        return 4;
    for (int i = 2; i < argc; ++i) {
        const int fd = ::open(argv[i], O_RDONLY | O_CLOEXEC);
        const int supported = fd >= 0 ? isSupported(argv[i], fd) : -1;
        if (fd >= 0)
            ::close(fd);
        void* info = nullptr;
        void* pixels = nullptr;
        const int code = getPicture(argv[i], 0, SPI_INPUT_FILE, &info, &pixels, nullptr, 0);
        int width = 0, height = 0, b = 0, g = 0, r = 0;
        if (code == SPI_SUCCESS) {
            const auto* header = static_cast<const unsigned char*>(info);
            width = Little32(header + 4);
            height = Little32(header + 8);
            const int rowBytes = (width * 3 + 3) & ~3;
            const auto* top = static_cast<const unsigned char*>(pixels) + (height - 1) * rowBytes;
            b = top[0];
            g = top[1];
            r = top[2];
        }
        std::free(info);
        std::free(pixels);
        std::printf("%d %d %d %d %d %d %d\n", supported, code, width, height, b, g, r);
    }
    std::printf("application %d\n", QCoreApplication::instance() ? 1 : 0);
    std::printf("qt-image-plugins %d\n", LoadedQtImagePlugins());
    dlclose(module);
    return 0;
}
