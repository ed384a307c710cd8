#include "Icons.h"

#include <QImageReader>
#include <QPixmap>

// A resource file in a static library needs explicit registration, or the linker drops it.
static void RegisterResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(res);
        return true;
    }();
    (void)done;
}

namespace res {

QIcon ProgramIcon()
{
    RegisterResources();
    QIcon icon;
    for (int size : {16, 32, 64}) {
        // Read as the PNG files they are: a QIcon given the file names asks every image
        // plug-in Qt has whether it takes them, loading each (and the JPEG library) on the way
        // to the first window.
        QImageReader reader(QStringLiteral(":/res/icons/sorlin-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

} // namespace res
