#include "FrameSender.h"

#include "platform/Log.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace mediahost {

namespace {

constexpr qsizetype kPage = 4096;

} // namespace

FrameSender::FrameSender(std::function<void(quint32, quint64, int, int)> buffer,
                         std::function<void(quint32, int, int, int, int)> frame)
    : announceBuffer(std::move(buffer)), announceFrame(std::move(frame))
{}

FrameSender::~FrameSender()
{
    Unmap();
}

void FrameSender::Unmap()
{
    if (memory)
        ::munmap(memory, static_cast<size_t>(slotBytes * kSlots));
    memory = nullptr;
    slotBytes = 0;
}

bool FrameSender::Allocate(qsizetype frameBytes)
{
    Unmap();
    const qsizetype slot = (frameBytes + kPage - 1) / kPage * kPage;
    const qsizetype total = slot * kSlots;
    const int fd = ::memfd_create("sorlin-video", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return false;
    // Sealed at its size, the window can map it without fearing that it shrinks under its reads.
    const bool ready =
        ::ftruncate(fd, static_cast<off_t>(total)) == 0 &&
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0 &&
        (memory = static_cast<uchar*>(::mmap(nullptr, static_cast<size_t>(total), PROT_READ | PROT_WRITE,
                                             MAP_SHARED, fd, 0))) != MAP_FAILED;
    if (!ready) {
        memory = nullptr;
        ::close(fd);
        qCWarning(lcPlatform) << "no shared memory for video frames of" << total << "bytes";
        return false;
    }
    slotBytes = slot;
    ++bufferId;
    for (bool& b : busy)
        b = false;
    announceBuffer(bufferId, static_cast<quint64>(slot), kSlots, fd);
    ::close(fd);
    return true;
}

void FrameSender::Send(const platform::GstGraph::DecodedFrame& frame)
{
    const QSize size = frame.Size();
    const int stride = size.width() * 4;
    const qsizetype bytes = static_cast<qsizetype>(stride) * size.height();
    if (size.isEmpty() || bytes <= 0)
        return;
    if ((!memory || bytes > slotBytes) && !Allocate(bytes))
        return;
    int slot = 0;
    while (slot < kSlots && busy[slot])
        ++slot;
    if (slot == kSlots || !frame.WriteRgb32(memory + slot * slotBytes, stride))
        return;
    busy[slot] = true;
    announceFrame(bufferId, slot, size.width(), size.height(), stride);
}

void FrameSender::Release(quint32 buffer, int slot)
{
    if (buffer == bufferId && slot >= 0 && slot < kSlots)
        busy[slot] = false;
}

} // namespace mediahost
