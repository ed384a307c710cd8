#include "CdDrive.h"

#include "CdioHandle.h"
#include "platform/DiscProbe.h"

#include <QFile>

#include <cdio/cdio.h>
#include <cdio/mmc.h>

namespace platform::mci {

CdDrive::CdDrive(QString drivePath) : path(std::move(drivePath)), image(IsCdImageDrive(path)) {}

const CdToc* CdDrive::ReadToc(QString* error)
{
    if (image && imageUnloaded) {
        toc.reset();
        if (error)
            *error = QStringLiteral("the image %1 is unloaded").arg(path);
        return nullptr;
    }
    toc = mci::ReadCdToc(path, error);
    return Toc();
}

bool CdDrive::MediaPresent()
{
    return ReadToc() != nullptr;
}

bool CdDrive::DoorOpen() const
{
    if (image)
        return imageUnloaded;
    const CdioHandle cdio = OpenCdio(path);
    return cdio && mmc_get_tray_status(cdio.get()) == 1;
}

bool CdDrive::SetDoor(bool open, QString* error)
{
    if (image) {
        // Only the flag moves: libcdio cannot eject an image, and trying to frees it twice.
        imageUnloaded = open;
        if (open)
            toc.reset();
        return true;
    }
    const QByteArray device = QFile::encodeName(path);
    const driver_return_code_t result =
        open ? cdio_eject_media_drive(device.constData()) : cdio_close_tray(device.constData(), nullptr);
    if (result == DRIVER_OP_SUCCESS) {
        if (open)
            toc.reset();
        return true;
    }
    if (error)
        *error = QStringLiteral("the tray of %1 did not move (%2)")
                     .arg(path, QString::fromUtf8(cdio_driver_errmsg(result)));
    return false;
}

} // namespace platform::mci
