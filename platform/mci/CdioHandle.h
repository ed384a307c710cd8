#pragma once
// libcdio handles: an owner that destroys them, opening with the driver the path calls for,
// and libcdio's own messages sent to the program's log instead of standard error.

#include <QString>

#include <memory>

typedef struct _CdIo CdIo_t;

namespace platform::mci {

struct CdioDestroy
{
    void operator()(CdIo_t* cdio) const;
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioDestroy>;

// An image file by its format, anything else as a device. Null when it cannot be opened.
CdioHandle OpenCdio(const QString& drive);

// What libcdio is to be given for `drive`. libcdio looks for the data files a cdrdao table
// names in the current folder rather than beside the table; such a table is handed over as
// a copy (in the runtime folder) that names them by their full paths.
QString CdioSource(const QString& drive);

} // namespace platform::mci
