#include "DvdGraphWatch.h"

#include <gst/video/video-event.h>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

bool IsDvdEvent(GstEvent* event, const char* name)
{
    const GstStructure* s = gst_event_get_structure(event);
    return s && gst_structure_has_name(s, "application/x-gst-dvd") &&
           g_strcmp0(gst_structure_get_string(s, "event"), name) == 0;
}

} // namespace

GstPadProbeReturn DvdGraph::Watch::OnProbe(GstPad* pad, GstPadProbeInfo* info, gpointer data)
{
    auto* self = static_cast<Watch*>(data);
    GstElement* from = GST_PAD_PARENT(pad) ? GST_ELEMENT(GST_PAD_PARENT(pad)) : nullptr;
    if (!from)
        return GST_PAD_PROBE_OK;

    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        bool stillEnded = false;
        GstEvent* audio = nullptr;
        GstEvent* subpicture = nullptr;
        {
            std::lock_guard lock(self->mutex);
            stillEnded = std::exchange(self->stillShown, false);
            if (std::exchange(self->choicePending, false)) {
                if (self->wantedAudio >= 0)
                    audio = self->AudioChoice(self->wantedAudio);
                if (self->wantedSubpicture >= 0 || self->subpictureStateSet)
                    subpicture =
                        self->SubpictureChoice(std::max(self->wantedSubpicture, 0), self->wantedShown);
            }
        }
        if (stillEnded)
            self->PostToUi(from, gst_structure_new(kWatchMessage, "still", G_TYPE_BOOLEAN, FALSE, nullptr));
        // Pushed from here, the choices stay in order with the data.
        if (audio)
            gst_pad_push_event(pad, audio);
        if (subpicture)
            gst_pad_push_event(pad, subpicture);
        return GST_PAD_PROBE_OK;
    }

    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (!event)
        return GST_PAD_PROBE_OK;
    if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
        bool stillEnded = false;
        {
            std::lock_guard lock(self->mutex);
            stillEnded = std::exchange(self->stillShown, false);
        }
        if (stillEnded)
            self->PostToUi(from, gst_structure_new(kWatchMessage, "still", G_TYPE_BOOLEAN, FALSE, nullptr));
        return GST_PAD_PROBE_OK;
    }
    gboolean inStill = FALSE;
    if (gst_video_event_parse_still_frame(event, &inStill)) {
        {
            std::lock_guard lock(self->mutex);
            self->stillShown = inStill;
        }
        self->PostToUi(from, gst_structure_new(kWatchMessage, "still", G_TYPE_BOOLEAN, inStill, nullptr));
        return GST_PAD_PROBE_OK;
    }
    if (GST_EVENT_TYPE(event) != GST_EVENT_CUSTOM_DOWNSTREAM &&
        GST_EVENT_TYPE(event) != GST_EVENT_CUSTOM_DOWNSTREAM_OOB)
        return GST_PAD_PROBE_OK;

    const GstStructure* s = gst_event_get_structure(event);
    gboolean own = FALSE;
    const bool ours = gst_structure_get_boolean(s, kOwnChoice, &own) && own;
    if (IsDvdEvent(event, "dvd-set-audio-track")) {
        std::lock_guard lock(self->mutex);
        // The disc repeats its own choice at every cell; the user's choice stays.
        if (!ours && self->wantedAudio >= 0) {
            gst_event_unref(event);
            GST_PAD_PROBE_INFO_DATA(info) = event = self->AudioChoice(self->wantedAudio);
            s = gst_event_get_structure(event);
        }
        gst_structure_get_int(s, "physical-id", &self->sentAudio);
    } else if (IsDvdEvent(event, "dvd-set-subpicture-track")) {
        std::lock_guard lock(self->mutex);
        if (!ours && (self->wantedSubpicture >= 0 || self->subpictureStateSet)) {
            int disc = 0;
            gst_structure_get_int(s, "physical-id", &disc);
            gst_event_unref(event);
            GST_PAD_PROBE_INFO_DATA(info) = event = self->SubpictureChoice(
                self->wantedSubpicture >= 0 ? self->wantedSubpicture : disc, self->wantedShown);
            s = gst_event_get_structure(event);
        }
        gboolean forcedOnly = FALSE;
        gst_structure_get_int(s, "physical-id", &self->sentSubpicture);
        gst_structure_get_boolean(s, "forced-only", &forcedOnly);
        self->sentShown = !forcedOnly;
    } else if (IsDvdEvent(event, "dvd-spu-highlight")) {
        int button = 0;
        gst_structure_get_int(s, "button", &button);
        self->PostToUi(from, gst_structure_new(kWatchMessage, "button", G_TYPE_INT, button, nullptr));
    } else if (IsDvdEvent(event, "dvd-spu-reset-highlight")) {
        self->PostToUi(from, gst_structure_new(kWatchMessage, "button", G_TYPE_INT, 0, nullptr));
    }
    return GST_PAD_PROBE_OK;
}

void DvdGraph::Watch::OnMessage(GstMessage* message)
{
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION) {
        const GstStructure* s = gst_message_get_structure(message);
        gboolean inStill = FALSE;
        int button = 0;
        if (gst_structure_get_boolean(s, "still", &inStill)) {
            if (graph->still != static_cast<bool>(inStill)) {
                graph->still = inStill;
                graph->Push({inStill ? EC_DVD_STILL_ON : EC_DVD_STILL_OFF, 0, 0});
            }
        } else if (gst_structure_get_int(s, "button", &button)) {
            graph->selectedButton = button;
            graph->Push({EC_DVD_BUTTON_CHANGE, 0, button});
        }
        return;
    }
    // The commands on offer changed: buttons came or went.
    GstPad* src = SourcePad();
    if (!src)
        return;
    GstQueryPtr query(gst_navigation_query_new_commands());
    unsigned long uops = kUopSelectOrActivateButton;
    guint count = 0;
    if (gst_pad_query(src, query.get()) && gst_navigation_query_parse_commands_length(query.get(), &count)) {
        for (guint i = 0; i < count; ++i) {
            GstNavigationCommand command = GST_NAVIGATION_COMMAND_INVALID;
            gst_navigation_query_parse_commands_nth(query.get(), i, &command);
            if (command == GST_NAVIGATION_COMMAND_ACTIVATE || command == GST_NAVIGATION_COMMAND_LEFT ||
                command == GST_NAVIGATION_COMMAND_RIGHT || command == GST_NAVIGATION_COMMAND_UP ||
                command == GST_NAVIGATION_COMMAND_DOWN)
                uops = 0;
        }
    }
    if (uops != lastUops) {
        lastUops = uops;
        graph->Push({EC_DVD_VALID_UOPS_CHANGE, static_cast<long>(uops), 0});
    }
}

} // namespace platform
