#include "FrameReceiver.h"

#include "platform/Log.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kMaxSlots = 8;
constexpr quint64 kMaxSlotBytes = 256ull * 1024 * 1024;
constexpr int kMaxSide = 16384;

} // namespace

struct FrameReceiver::Mapping
{
    uchar* base = nullptr;
    size_t bytes = 0;
    quint64 slotBytes = 0;
    int slotCount = 0;
    ~Mapping()
    {
        if (base)
            ::munmap(base, bytes);
    }
};

// Whether the slotCount of the current memory are still to be given back: an image outliving a
// reset or a new memory must not release a slot of the next one.
struct FrameReceiver::Ticket
{
    std::function<void(quint32, int)> release;
};

namespace {

struct HeldFrame
{
    std::shared_ptr<void> mapping;
    std::weak_ptr<void> ticket;
    std::function<void(quint32, int)>* release = nullptr;
    quint32 buffer = 0;
    int slot = 0;
};

void ReleaseHeldFrame(void* info)
{
    const std::unique_ptr<HeldFrame> frame(static_cast<HeldFrame*>(info));
    if (const std::shared_ptr<void> ticket = frame->ticket.lock())
        (*frame->release)(frame->buffer, frame->slot);
}

} // namespace

FrameReceiver::FrameReceiver(std::function<void(quint32, int)> releaseSlot) : release(std::move(releaseSlot))
{}

FrameReceiver::~FrameReceiver()
{
    Reset();
}

void FrameReceiver::Reset()
{
    mapping.reset();
    ticket.reset();
    bufferId = 0;
}

bool FrameReceiver::Adopt(quint32 buffer, quint64 slotBytes, int slotCount, int fd)
{
    Reset();
    struct stat info
    {};
    const size_t bytes = static_cast<size_t>(slotBytes) * static_cast<size_t>(slotCount);
    // Only a memory file sealed against shrinking is mapped: any other file could be cut short
    // under the painter (SIGBUS). F_GET_SEALS answers -1 for a file that is not one.
    const int seals = fd >= 0 ? ::fcntl(fd, F_GET_SEALS) : -1;
    const bool usable = slotCount > 0 && slotCount <= kMaxSlots && slotBytes > 0 &&
                        slotBytes <= kMaxSlotBytes && ::fstat(fd, &info) == 0 &&
                        static_cast<size_t>(info.st_size) >= bytes && seals != -1 && (seals & F_SEAL_SHRINK);
    void* base = usable ? ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (fd >= 0)
        ::close(fd);
    if (base == MAP_FAILED) {
        qCWarning(lcPlatform) << "video frames: the media process's frame memory cannot be used";
        return false;
    }
    mapping = std::make_shared<Mapping>();
    mapping->base = static_cast<uchar*>(base);
    mapping->bytes = bytes;
    mapping->slotBytes = slotBytes;
    mapping->slotCount = slotCount;
    bufferId = buffer;
    ticket = std::make_shared<Ticket>(Ticket{release});
    return true;
}

void FrameReceiver::Show(quint32 buffer, int slot, int width, int height, int stride)
{
    if (!mapping || buffer != bufferId || slot < 0 || slot >= mapping->slotCount || width <= 0 ||
        height <= 0 || width > kMaxSide || height > kMaxSide || stride < width * 4 ||
        static_cast<quint64>(stride) * static_cast<quint64>(height) > mapping->slotBytes)
        return;
    auto held = std::make_unique<HeldFrame>();
    held->mapping = mapping;
    held->ticket = ticket;
    held->release = &ticket->release;
    held->buffer = buffer;
    held->slot = slot;
    const uchar* rows = mapping->base + static_cast<size_t>(slot) * mapping->slotBytes;
    // The image only reads the slot; the last copy of it gives the slot back.
    const QImage frame(rows, width, height, stride, QImage::Format_RGB32, &ReleaseHeldFrame, held.release());
    if (handler)
        handler(frame);
}

} // namespace platform
