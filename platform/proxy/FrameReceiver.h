#pragma once
// The window's side of a graph's video frames: the shared memory the media process sends is
// mapped once, and every frame in it is handed on as a QImage over the slot it lies in (no
// copy). When the last copy of that image goes, the slot is given back to the media process.
// The memory stays mapped while any image of it lives, even after the graph or the process
// has gone. UI thread only.

#include <QImage>

#include <functional>
#include <memory>

namespace platform {

class FrameReceiver
{
public:
    // `release(buffer, slot)` gives a slot back.
    explicit FrameReceiver(std::function<void(quint32, int)> release);
    ~FrameReceiver();
    FrameReceiver(const FrameReceiver&) = delete;
    FrameReceiver& operator=(const FrameReceiver&) = delete;

    void SetHandler(std::function<void(const QImage&)> handler) { this->handler = std::move(handler); }
    // A new memory file of `slotCount` slots of `slotBytes` each; takes `fd` over. False when it is
    // not what was announced (too small, not sealed against shrinking): its frames are dropped.
    bool Adopt(quint32 buffer, quint64 slotBytes, int slotCount, int fd);
    // A frame of `buffer` in `slot`; frames that do not fit their slot are dropped.
    void Show(quint32 buffer, int slot, int width, int height, int stride);
    // Forgets the memory; images of it stay valid, and their slots are no longer given back.
    void Reset();

private:
    struct Mapping;
    struct Ticket;

    std::function<void(quint32, int)> release;
    std::function<void(const QImage&)> handler;
    std::shared_ptr<Mapping> mapping;
    quint32 bufferId = 0;
    std::shared_ptr<Ticket> ticket;
};

} // namespace platform
