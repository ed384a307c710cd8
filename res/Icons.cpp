#include "Icons.h"

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
    for (int size : {16, 32, 64})
        icon.addFile(QStringLiteral(":/res/icons/sorlin-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace res
