#pragma once
// What a graph of the platform layer built on GstGraph (the DVD graph) plugs into it. This
// header carries GStreamer types: include it only inside the platform layer's own sources.

#include <gst/gst.h>

namespace platform {

struct GstGraphHooks
{
    virtual ~GstGraphHooks() = default;
    // UI thread: the playbin was made and is still in NULL; connect signals, set properties.
    virtual void OnPipelineCreated(GstElement* playbin) = 0;
    // A streaming thread: true to have `message` handed to OnMessage on the UI thread. Must
    // not block.
    virtual bool WantsMessage(GstMessage* message) = 0;
    // UI thread: a message WantsMessage asked for, from the current pipeline only.
    virtual void OnMessage(GstMessage* message) = 0;
};

} // namespace platform
