#include "MediaFiles.h"

#include "Spawn.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStringList>

namespace media_files {

namespace {

QString Run(const QString& pipeline, const QString& path)
{
    const testsupport::Spawned run =
        testsupport::Spawn(QStringLiteral("gst-launch-1.0"),
                           QStringList{QStringLiteral("-q")} + QProcess::splitCommand(pipeline));
    if (!run.Succeeded()) {
        qWarning("making %s failed: %s", qPrintable(path), run.output.constData());
        return {};
    }
    return QFileInfo(path).size() > 0 ? path : QString();
}

} // namespace

QString MakeTone(const QString& folder, const QString& extension, double seconds)
{
    static const QMap<QString, QString> kEncoders{
        {QStringLiteral("wav"), QStringLiteral("wavenc")},
        {QStringLiteral("ogg"), QStringLiteral("vorbisenc ! oggmux")},
        {QStringLiteral("mp3"), QStringLiteral("lamemp3enc ! id3v2mux")},
        {QStringLiteral("flac"), QStringLiteral("flacenc")},
        {QStringLiteral("wma"), QStringLiteral("avenc_wmav2 ! asfmux")},
    };
    if (!kEncoders.contains(extension))
        return {};
    const QString path = QDir(folder).filePath(QStringLiteral("tone.") + extension);
    const int samples = static_cast<int>(seconds * 44100);
    return Run(QStringLiteral("audiotestsrc num-buffers=%1 samplesperbuffer=1024 freq=440 ! "
                              "audio/x-raw,rate=44100,channels=2 ! audioconvert ! %2 ! filesink location=%3")
                   .arg((samples + 1023) / 1024)
                   .arg(kEncoders.value(extension), path),
               path);
}

QString MakeVideo(const QString& folder, const QString& extension, double seconds, int width, int height)
{
    struct Recipe
    {
        QString video;
        QString audio;
        QString mux;
    };
    static const QMap<QString, Recipe> kRecipes{
        {QStringLiteral("mp4"),
         {QStringLiteral("x264enc speed-preset=ultrafast key-int-max=25"), QStringLiteral("avenc_aac"),
          QStringLiteral("mp4mux")}},
        {QStringLiteral("avi"),
         {QStringLiteral("avenc_mpeg4"), QStringLiteral("lamemp3enc"), QStringLiteral("avimux")}},
        {QStringLiteral("wmv"),
         {QStringLiteral("avenc_wmv2"), QStringLiteral("avenc_wmav2"), QStringLiteral("asfmux")}},
    };
    if (!kRecipes.contains(extension))
        return {};
    const Recipe recipe = kRecipes.value(extension);
    const QString path = QDir(folder).filePath(QStringLiteral("clip.") + extension);
    const int frames = static_cast<int>(seconds * 25);
    const int samples = static_cast<int>(seconds * 44100);
    return Run(QStringLiteral(
                   "%1 name=mux ! filesink location=%2 "
                   "videotestsrc num-buffers=%3 ! video/x-raw,width=%4,height=%5,framerate=25/1 ! "
                   "videoconvert ! video/x-raw,format=I420 ! %6 ! queue ! mux. "
                   "audiotestsrc num-buffers=%7 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=2 ! "
                   "audioconvert ! audioresample ! %8 ! queue ! mux.")
                   .arg(recipe.mux, path)
                   .arg(frames)
                   .arg(width)
                   .arg(height)
                   .arg(recipe.video)
                   .arg((samples + 1023) / 1024)
                   .arg(recipe.audio),
               path);
}

QString MakeVideoCD(const QString& folder, double seconds)
{
    QDir(folder).mkpath(QStringLiteral("MPEGAV"));
    const QString path = QDir(folder).filePath(QStringLiteral("MPEGAV/AVSEQ01.DAT"));
    const int frames = static_cast<int>(seconds * 30);
    const int samples = static_cast<int>(seconds * 44100);
    // mplex now and then rejects the start of the audio stream it is fed ("Invalid MPEG Audio
    // stream header") on a busy machine; the same pipeline succeeds when run again.
    for (int attempt = 1;; ++attempt) {
        const QString made =
            Run(QStringLiteral(
                    "mplex format=1 name=mux ! filesink location=%1 "
                    "videotestsrc num-buffers=%2 ! video/x-raw,width=352,height=240,framerate=30000/1001 ! "
                    "videoconvert ! mpeg2enc format=1 ! mux. "
                    "audiotestsrc num-buffers=%3 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=2 ! "
                    "audioconvert ! avenc_mp2 bitrate=224000 ! mux.")
                    .arg(path)
                    .arg(frames)
                    .arg((samples + 1023) / 1024),
                path);
        if (!made.isEmpty() || attempt == 3)
            return made;
    }
}

} // namespace media_files
