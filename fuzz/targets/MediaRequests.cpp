// What the media process takes from the window: a message split into its header and the request's
// arguments read as the media process reads them, each op with its own fields.

#include "FuzzSupport.h"
#include "platform/ipc/MediaProtocol.h"

using namespace platform::ipc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Header header;
    QByteArray arguments;
    if (!Decode(fuzz::Bytes(data, size), &header, &arguments))
        return 0;
    Unpack in(arguments);
    QString text, other;
    qint32 a = 0, b = 0, c = 0;
    qint64 wide = 0;
    bool flag = false;
    double rate = 0;
    switch (static_cast<Op>(header.code)) {
    case Op::Render:
        (in >> text >> a >> flag >> b).Ok();
        break;
    case Op::Seek:
        (in >> wide >> a).Ok();
        break;
    case Op::SetRate:
        (in >> rate).Ok();
        break;
    case Op::DvdCommand: {
        DvdCommandArgs command;
        (in >> command).Ok();
        break;
    }
    case Op::DvdVolumeHasFile:
        (in >> text >> other).Ok();
        break;
    case Op::MciSend: {
        quint32 token = 0;
        (in >> text >> token).Ok();
        break;
    }
    case Op::ArchiveList:
        (in >> text >> other >> a).Ok();
        break;
    case Op::ArchiveExtract: {
        QString member, target;
        (in >> text >> other >> member >> target >> wide).Ok();
        break;
    }
    case Op::FrameRelease: {
        quint32 buffer = 0;
        (in >> buffer >> c).Ok();
        break;
    }
    default:
        (in >> a).Ok();
        break;
    }
    return 0;
}
