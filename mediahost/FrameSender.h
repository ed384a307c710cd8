#pragma once
// Hands the video frames of one graph to the window through shared memory: a sealed memory
// file of a few slots, each holding one frame's rows, sent once with its descriptor; then for
// every frame the slot it was copied into. A slot is written again only after the window has
// released it; a frame that finds no free slot is dropped, as a late frame would be.
//
// A frame costs one pass: the decoder's format is converted straight into the slot.

#include "platform/graph/GstGraph.h"

#include <functional>

namespace mediahost {

class FrameSender
{
public:
    static constexpr int kSlots = 3;

    // `announceBuffer(id, slotBytes, slotCount, fd)` sends a new memory file, `announceFrame(id,
    // slot, width, height, stride)` a frame in it.
    FrameSender(std::function<void(quint32, quint64, int, int)> announceBuffer,
                std::function<void(quint32, int, int, int, int)> announceFrame);
    ~FrameSender();
    FrameSender(const FrameSender&) = delete;
    FrameSender& operator=(const FrameSender&) = delete;

    void Send(const platform::GstGraph::DecodedFrame& frame);
    void Release(quint32 buffer, int slot);

private:
    bool Allocate(qsizetype frameBytes);
    void Unmap();

    std::function<void(quint32, quint64, int, int)> announceBuffer;
    std::function<void(quint32, int, int, int, int)> announceFrame;
    quint32 bufferId = 0;
    uchar* memory = nullptr;
    qsizetype slotBytes = 0;
    bool busy[kSlots] = {};
};

} // namespace mediahost
