#pragma once
// Plays a range of a CD's audio through GStreamer's libcdio source, from a drive or an image.
// Ranges are disc addresses in milliseconds and may span tracks: the audio tracks the range
// touches are played one after the other, and whatever lies between them (data tracks) is
// passed over.
//
// UI thread only. The end of a range is reported through `onEnded` on the UI thread: true when
// the range was played to its end, false when the source failed (the disc went away).

#include "CdToc.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

typedef struct _GstMessage GstMessage;

namespace platform::mci {

class CdAudioPlayer
{
public:
    explicit CdAudioPlayer(std::function<void(bool completed)> onEnded);
    ~CdAudioPlayer();
    CdAudioPlayer(const CdAudioPlayer&) = delete;
    CdAudioPlayer& operator=(const CdAudioPlayer&) = delete;

    // Starts playing [fromMs, toMs) of `drive`. A range without audio in it ends at once (the
    // end is reported as played). False, with the reason in `*error`, when the source cannot
    // be started; nothing plays then.
    bool Play(const QString& drive, const CdToc& toc, int fromMs, int toMs, QString* error);
    // Holds the sound where it is; Resume carries on to the same end.
    bool Pause();
    bool Resume();
    // Ends the play; the position stays where it was.
    void Stop();

    bool IsPlaying() const { return active && !paused; }
    bool IsPaused() const { return active && paused; }
    // The disc address being played, or where the last play stopped.
    int PositionMs() const;
    void SetPositionMs(int ms);
    // The end of the range being played.
    int EndMs() const { return endMs; }

private:
    struct Segment
    {
        int audioIndex; // 1-based among the disc's audio tracks, as the source counts them
        int trackStartMs;
        int fromMs; // disc addresses
        int toMs;
        QString sampleFile; // a WAVE file holding the track, else empty
        int sampleFileStartMs;
    };
    bool StartSegment(QString* error);
    void OnMessage(GstMessage* message);
    void Release();
    void Finish(bool completed);

    struct Pipeline;
    std::unique_ptr<Pipeline> pipeline;
    std::function<void(bool)> onEnded;
    QString drive;
    std::vector<Segment> segments;
    size_t current = 0;
    int positionMs = 0;
    int endMs = 0;
    bool active = false;
    bool paused = false;
};

} // namespace platform::mci
