// Seeds for the fuzz targets, made by the generators the tests use (BMP files, ID3 tags, MIDI and
// ASF headers, CD images, archives, encoded tones) and by the program's own writers (playlists,
// the settings file, the cache index, the media protocol), so that fuzzing starts from inputs as
// the readers meet them. The committed corpora keep the inputs that once broke a reader.
//   fuzz_seeds FOLDER   writes FOLDER/<target>/<seed>; fails when a generator gives nothing

#include "app/SettingsStore.h"
#include "platform/ipc/MediaProtocol.h"
#include "platform/susie/SusieArchive.h"
#include "player/DownloadCache.h"
#include "player/Playlist.h"
#include "plugins/TestArchives.h"
#include "skin/Bmp.h"
#include "support/CdImages.h"
#include "support/Id3Tags.h"
#include "support/MediaFiles.h"
#include "support/TitleFiles.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>

#include <cstdio>

using namespace platform::ipc;

namespace {

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Seeds
{
public:
    explicit Seeds(const QString& folder) : root(folder) {}

    void Add(const char* target, const QString& name, const QByteArray& bytes)
    {
        const QString folder = root + u'/' + QLatin1String(target);
        QFile file(folder + u'/' + name);
        if (bytes.isEmpty() || !QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
            file.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "no seed %s/%s\n", target, qPrintable(name));
            failed = true;
        }
    }
    void AddFile(const char* target, const QString& name, const QString& path)
    {
        Add(target, name, Read(path));
    }
    bool Failed() const { return failed; }

private:
    QString root;
    bool failed = false;
};

QByteArray Bytes(const std::string& bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QByteArray Picture(int width, int height, int bitCount, bool topDown = false)
{
    bmp::Spec spec;
    spec.width = width;
    spec.height = height;
    spec.bitCount = bitCount;
    spec.topDown = topDown;
    if (bitCount <= 8) {
        for (int i = 0; i < (1 << bitCount); ++i)
            spec.palette.append(qRgb(i * 37 % 256, i * 91 % 256, i * 13 % 256));
        spec.index = [bitCount](int x, int y) { return (x + y) % (1 << bitCount); };
    } else {
        spec.colour = [](int x, int y) { return qRgb(x * 16 % 256, y * 16 % 256, 128); };
    }
    return bmp::File(spec);
}

QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(image) ? bytes : QByteArray();
}

void PictureSeeds(Seeds& seeds)
{
    for (const int bits : {1, 4, 8, 24})
        seeds.Add("picture", QStringLiteral("bmp-%1bit.bmp").arg(bits), Picture(13, 7, bits));
    seeds.Add("picture", QStringLiteral("bmp-top-down.bmp"), Picture(5, 9, 24, true));
    // A packed bitmap, as the skin and the clipboard hand them over.
    bmp::Spec packed;
    packed.width = 6;
    packed.height = 3;
    packed.colour = [](int x, int) { return qRgb(x * 40, 0, 255 - x * 40); };
    seeds.Add("picture", QStringLiteral("packed-24bit"), bmp::Packed(packed));

    QImage image(17, 11, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 15, y * 23, 99, 128 + x));
    for (const char* format : {"png", "jpg", "gif", "bmp"}) {
        if (QImageWriter::supportedImageFormats().contains(format))
            seeds.Add("image_plugin", QStringLiteral("picture.") + QLatin1String(format),
                      Encoded(image, format));
    }
}

void SkinSeeds(Seeds& seeds)
{
    const QByteArray skin = Read(QStringLiteral(SORLIN_DEFAULT_SKIN_DIR "/Sorlin.ini"));
    seeds.Add("skin", QStringLiteral("default-skin.ini"), skin);
    seeds.Add("profile", QStringLiteral("default-skin.ini"), skin);
    seeds.Add("profile", QStringLiteral("autorun.inf"),
              "[autorun]\r\nopen=start.exe /auto\r\nicon=disc.ico,0\r\n");

    // A classic skin: its four pictures in a folder of the zip, named as Windows writes them.
    auto bitmap = [](int width, int height, QRgb colour) {
        bmp::Spec spec;
        spec.width = width;
        spec.height = height;
        spec.bitCount = 8;
        spec.palette = {qRgb(0, 0, 0), colour};
        spec.index = [](int x, int y) { return (x ^ y) & 1; };
        return bmp::File(spec).toStdString();
    };
    const std::vector<testarchives::Entry> members = {
        {"readme.txt", "a skin"},
        {"My Skin/Main.bmp", bitmap(275, 116, qRgb(10, 20, 30))},
        {"My Skin/TITLEBAR.BMP", bitmap(344, 87, qRgb(200, 20, 30))},
        {"My Skin/EqMain.Bmp", bitmap(275, 315, qRgb(10, 200, 30))},
        {"My Skin/CButtons.bmp", bitmap(136, 36, qRgb(10, 20, 200))},
    };
    seeds.Add("classic_skin", QStringLiteral("skin.wsz"),
              Bytes(testarchives::Pack(testarchives::Format::Zip, members)));
}

void ArchiveSeeds(Seeds& seeds)
{
    using testarchives::Entry;
    using testarchives::EntryKind;
    using testarchives::Format;
    const std::vector<Entry> entries = {
        {"song.mp3", testarchives::Bytes(3000, 1)},
        {"日本語/曲.ogg", testarchives::Bytes(700, 2)},
        {"folder", {}, EntryKind::Directory},
        {"link.mp3", {}, EntryKind::Symlink, "song.mp3"},
        {"empty.txt", {}},
    };
    const std::pair<Format, const char*> formats[] = {
        {Format::Zip, "members.zip"}, {Format::ZipStored, "stored.zip"}, {Format::SevenZip, "members.7z"},
        {Format::Tar, "members.tar"}, {Format::TarGz, "members.tar.gz"}, {Format::Iso, "members.iso"},
    };
    for (const auto& [format, name] : formats)
        seeds.Add("archive_plugin", QLatin1String(name), Bytes(testarchives::Pack(format, entries)));
    seeds.Add("archive_plugin", QStringLiteral("zip64-claim"), Bytes(testarchives::Zip64Claiming(5)));
}

void TitleSeeds(Seeds& seeds, const QString& work)
{
    using namespace id3_tags;
    using namespace title_files;
    const QByteArray title("A title");
    const QByteArray utf16 =
        QByteArray("\xFF\xFE", 2) + Utf16Le(QStringLiteral("曲名")) + QByteArray(2, '\0');
    seeds.Add("id3", QStringLiteral("v22.mp3"), Tag(2, Frame(2, "TT2", TextBody(title))) + Audio(600));
    seeds.Add("id3", QStringLiteral("v23-utf16.mp3"),
              Tag(3, Frame(3, "TIT2", TextBody(utf16, 1)), 32) + Audio(600));
    seeds.Add("id3", QStringLiteral("v24.mp3"),
              Tag(4, Frame(4, "TPE1", TextBody("Artist", 3)) + Frame(4, "TIT2", TextBody(title, 3))) +
                  Audio(600));
    seeds.Add("id3", QStringLiteral("v1.mp3"), Audio(600) + V1Tag(title));
    seeds.AddFile("id3", QStringLiteral("tone.mp3"), media_files::MakeTone(work, QStringLiteral("mp3"), 0.3));

    seeds.Add("midi", QStringLiteral("named.mid"),
              Smf(kNotes + Meta(3, "Track name") + Meta(1, "text") + kEndOfTrack));
    seeds.Add("midi", QStringLiteral("cp932.mid"),
              Smf(Meta(3, "\x93\xFA\x96\x7B\x8C\xEA") + kNotes + kEndOfTrack));

    seeds.Add("asf", QStringLiteral("described.wma"), Asf(QStringLiteral("曲名"), QStringLiteral("Author")));
    seeds.AddFile("asf", QStringLiteral("tone.wma"), media_files::MakeTone(work, QStringLiteral("wma"), 0.3));
}

void DiscSeeds(Seeds& seeds, const QString& work)
{
    // The sheets name "disc.bin", as the harness's data file is named; 150 sectors in all.
    using cd_images::Format;
    using cd_images::Track;
    const std::vector<Track> audio = {{50, true}, {60, true}, {40, true}};
    const std::vector<Track> mixed = {{75, false}, {75, true}};
    seeds.Add("cue_sheet", QStringLiteral("audio.cue"),
              Read(cd_images::Write(work, QStringLiteral("disc"), audio)));
    seeds.Add("cue_sheet", QStringLiteral("mixed.cue"),
              Read(cd_images::Write(work, QStringLiteral("disc"), mixed)));
    seeds.Add("toc_sheet", QStringLiteral("audio.toc"),
              Read(cd_images::Write(work, QStringLiteral("disc"), audio, Format::Toc)));
    seeds.Add("toc_sheet", QStringLiteral("mixed.toc"),
              Read(cd_images::Write(work, QStringLiteral("disc"), mixed, Format::Toc)));
}

void StoredFileSeeds(Seeds& seeds, const QString& work)
{
    const QString list = work + QStringLiteral("/list.m3u");
    SavePlaylist(list,
                 {work + QStringLiteral("/song.mp3"), work + QStringLiteral("/日本語/曲.ogg"),
                  QStringLiteral("/media/music/other.flac"), QStringLiteral("http://example.org/a.mp3")});
    seeds.AddFile("playlist", QStringLiteral("saved.m3u"), list);
    seeds.Add(
        "playlist", QStringLiteral("extended.m3u"),
        "#EXTM3U\r\n#EXTINF:123,Artist - Title\r\nsong.mp3\r\n\r\n..\\up\\two.wav\r\nC:\\music\\x.mp3\r\n");

    const QString settings = work + QStringLiteral("/Sorlin.conf");
    {
        SettingsStore store(settings);
        store.WriteString(QStringLiteral("Play"), QStringLiteral("LastFile"),
                          QStringLiteral("/home/ユーザー/曲.mp3"));
        store.WriteString(QStringLiteral("Play"), QStringLiteral("Blanks"),
                          QStringLiteral("\u3000 a \u00A0"));
        store.WriteInt(QStringLiteral("Window"), QStringLiteral("X"), -120);
        store.Sync();
    }
    seeds.AddFile("settings", QStringLiteral("written.conf"), settings);

    const QString index = work + QStringLiteral("/cacheindex.ini");
    const downloadcache::CacheIndex cache(index);
    cache.Record(QStringLiteral("example.org"), QStringLiteral("/a.mp3"),
                 downloadcache::CacheIndex::DefaultStamp(), work + QStringLiteral("/cache/a.mp3"),
                 QStringLiteral("http://example.org/a.mp3"));
    cache.Record(QStringLiteral("127.0.0.1:8080"), QStringLiteral("/list.m3u?x=1"),
                 QStringLiteral("Tue, 08 Dec 2026 10:00:00 GMT"), work + QStringLiteral("/cache/list.m3u"),
                 QStringLiteral("http://127.0.0.1:8080/list.m3u?x=1"));
    seeds.AddFile("cache_index", QStringLiteral("recorded.ini"), index);
}

// What the window writes on the socket: messages as Connection frames them.
QByteArray Framed(const QList<QByteArray>& messages)
{
    QByteArray stream;
    for (const QByteArray& message : messages) {
        QByteArray length(4, '\0');
        qToBigEndian<quint32>(static_cast<quint32>(message.size()), length.data());
        stream += length + message;
    }
    return stream;
}

void ProtocolSeeds(Seeds& seeds)
{
    auto request = [](Op op, quint32 handle, const QByteArray& arguments) {
        return Encode(Header{MessageType::Request, 7, static_cast<quint16>(op), handle}, arguments);
    };
    seeds.Add("media_requests", QStringLiteral("render"),
              request(Op::Render, 1, Pack(QStringLiteral("/music/曲.mp3"), qint32(10000), false, qint32(0))));
    seeds.Add("media_requests", QStringLiteral("seek"),
              request(Op::Seek, 1, Pack(qint64(61000), qint32(5000))));
    seeds.Add("media_requests", QStringLiteral("mci-send"),
              request(Op::MciSend, 0, Pack(QStringLiteral("play cdaudio from 2 to 3 notify"), quint32(9))));
    seeds.Add("media_requests", QStringLiteral("archive-extract"),
              request(Op::ArchiveExtract, 3,
                      Pack(QStringLiteral("/usr/lib/sorlin/axarchive.spi"), QStringLiteral("/tmp/a.zip"),
                           QStringLiteral("曲.ogg"), QStringLiteral("/tmp/cache/曲.ogg"), qint64(1) << 30)));

    auto reply = [](Op op, const QByteArray& arguments) {
        return Encode(Header{MessageType::Reply, 7, static_cast<quint16>(op), 1}, arguments);
    };
    auto event = [](EventKind kind, const QByteArray& arguments) {
        return Encode(Header{MessageType::Event, 0, static_cast<quint16>(kind), 1}, arguments);
    };
    platform::DvdVolume volume;
    platform::DvdTitleInfo title;
    title.chapters = 3;
    title.audioLanguages = {QStringLiteral("en"), QStringLiteral("ja")};
    title.subpictureLanguages = {QStringLiteral("fr")};
    volume.titles = {title, title};
    RenderResult rendered;
    rendered.ok = true;
    rendered.videoWidth = 720;
    rendered.videoHeight = 480;
    rendered.device = QStringLiteral("/media/dvd");
    rendered.volume = volume;
    seeds.Add(
        "media_replies", QStringLiteral("a-dvd-session"),
        Framed({event(EventKind::Hello, Pack(qint32(1), qint64(4242))), reply(Op::Render, Pack(rendered)),
                reply(Op::DvdReadVolume, Pack(true, QString(), volume)),
                event(EventKind::FrameBuffer, Pack(quint32(1), quint64(720 * 480 * 4), qint32(3))),
                event(EventKind::Frame, Pack(quint32(1), qint32(0), qint32(720), qint32(480), qint32(2880))),
                event(EventKind::GraphEvent, Pack(qint32(1), qint64(0), qint64(0), QString()))}));
    QByteArray records;
    platform::AppendArchiveRecord(&records, {"", "a.mp3", 0, 3000});
    platform::AppendArchiveRecord(&records, {"disc 1/", "\x8b\xc8.ogg", 0, 700}); // 曲.ogg in Shift-JIS
    seeds.Add(
        "media_replies", QStringLiteral("an-archive-session"),
        Framed({reply(Op::ArchiveList, Pack(qint32(0), QStringLiteral("axarchive.spi"), quint32(2), records)),
                event(EventKind::Progress, Pack(qint32(50), qint64(3000))),
                reply(Op::ArchiveExtract, Pack(qint32(0))),
                reply(Op::MciSend, Pack(quint32(0), QStringLiteral("playing"), qint32(2)))}));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    QTemporaryDir work;
    if (!work.isValid())
        return 1;
    Seeds seeds(QString::fromLocal8Bit(argv[1]));
    PictureSeeds(seeds);
    SkinSeeds(seeds);
    ArchiveSeeds(seeds);
    TitleSeeds(seeds, work.path());
    DiscSeeds(seeds, work.path());
    StoredFileSeeds(seeds, work.path());
    ProtocolSeeds(seeds);
    return seeds.Failed() ? 1 : 0;
}
