#include "DvdDisc.h"

#include "Spawn.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace media_files {

namespace {

bool Run(const QString& folder, const QString& program, const QStringList& arguments,
         const QString& input = QString(), const QString& output = QString(), const char* standard = "NTSC")
{
    testsupport::SpawnOptions options;
    options.workingDirectory = folder;
    if (!input.isEmpty())
        options.inputFile = QDir(folder).filePath(input);
    if (!output.isEmpty())
        options.outputFile = QDir(folder).filePath(output);
    options.environment = {{QByteArrayLiteral("VIDEO_FORMAT"), QByteArray(standard)}};
    const testsupport::Spawned run = testsupport::Spawn(program, arguments, options);
    if (!run.Succeeded()) {
        qWarning("authoring the test disc: %s failed: %s", qPrintable(program), run.output.constData());
        return false;
    }
    return true;
}

bool Write(const QString& folder, const QString& name, const QByteArray& text)
{
    QFile file(QDir(folder).filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

QStringList Split(const char* arguments)
{
    return QProcess::splitCommand(QString::fromUtf8(arguments));
}

// An NTSC DVD program stream: a test picture with a tone in two AC-3 streams.
bool MakeTitle(const QString& folder, const QString& name, int seconds, int frequency)
{
    return Run(
        folder, QStringLiteral("ffmpeg"),
        Split("-v error -y -f lavfi -i") +
            QStringList{QStringLiteral("testsrc=size=720x480:rate=30000/1001:duration=%1").arg(seconds)} +
            Split("-f lavfi -i") +
            QStringList{QStringLiteral("sine=frequency=%1:duration=%2:sample_rate=48000")
                            .arg(frequency)
                            .arg(seconds)} +
            Split("-f lavfi -i") +
            QStringList{QStringLiteral("sine=frequency=880:duration=%1:sample_rate=48000").arg(seconds)} +
            Split("-map 0:v -map 1:a -map 2:a -target ntsc-dvd -aspect 4:3 -b:v 1500k -g 15 -c:a ac3 "
                  "-b:a 96k -ac 2") +
            QStringList{name});
}

QString Author(const QString& folder)
{
    const QByteArray subtitle =
        "<subpictures><stream><spu start=\"00:00:00.50\" end=\"00:00:05.00\" image=\"sub.png\"/>"
        "</stream></subpictures>";
    const QByteArray menuButtons =
        "<subpictures><stream><spu start=\"00:00:00.00\" force=\"yes\" highlight=\"hl.png\" "
        "select=\"hl.png\">"
        "<button name=\"b1\" x0=\"100\" y0=\"200\" x1=\"300\" y1=\"280\" right=\"b2\"/>"
        "<button name=\"b2\" x0=\"420\" y0=\"200\" x1=\"620\" y1=\"280\" left=\"b1\"/>"
        "</spu></stream></subpictures>";
    const QByteArray layout = R"(<dvdauthor dest="disc">
 <vmgm><menus><video format="ntsc" aspect="4:3"/><pgc entry="title">
   <button name="b1">jump title 1;</button>
   <button name="b2">jump title 2;</button>
   <vob file="menu.mpg" pause="inf"/>
 </pgc></menus></vmgm>
 <titleset><titles><video format="ntsc" aspect="4:3"/><audio lang="en"/><audio lang="ja"/><subpicture lang="fr"/>
  <pgc><vob file="t1.mpg" chapters="0,00:02.000,00:04.000"/><post>call vmgm menu 1;</post></pgc>
  <pgc><vob file="t2.mpg" chapters="0,00:02.000"/><post>call vmgm menu 1;</post></pgc>
 </titles></titleset>
</dvdauthor>
)";
    const QString ffmpeg = QStringLiteral("ffmpeg");
    const bool made =
        MakeTitle(folder, QStringLiteral("t1raw.mpg"), 6, 440) &&
        MakeTitle(folder, QStringLiteral("t2.mpg"), 4, 660) &&
        Run(folder, ffmpeg,
            Split("-v error -y -f lavfi -i "
                  "color=c=black@0.0:size=720x480,format=rgba,"
                  "drawbox=x=200:y=380:w=320:h=40:color=white@1.0:t=fill -frames:v 1 sub.png")) &&
        Write(folder, QStringLiteral("sub.xml"), subtitle) &&
        Run(folder, QStringLiteral("spumux"), Split("-v 0 sub.xml"), QStringLiteral("t1raw.mpg"),
            QStringLiteral("t1.mpg")) &&
        Run(folder, ffmpeg,
            Split("-v error -y -f lavfi -i color=c=blue:size=720x480:rate=30000/1001:duration=1 -f lavfi -i "
                  "anullsrc=r=48000:cl=stereo -t 1 -map 0:v -map 1:a -target ntsc-dvd -aspect 4:3 -c:a ac3 "
                  "-b:a 96k menu_bg.mpg")) &&
        Run(folder, ffmpeg,
            Split("-v error -y -f lavfi -i "
                  "color=c=black@0.0:size=720x480,format=rgba,"
                  "drawbox=x=100:y=200:w=200:h=80:color=red@1.0:t=fill,"
                  "drawbox=x=420:y=200:w=200:h=80:color=red@1.0:t=fill -frames:v 1 hl.png")) &&
        Write(folder, QStringLiteral("menu.xml"), menuButtons) &&
        Run(folder, QStringLiteral("spumux"), Split("-v 0 menu.xml"), QStringLiteral("menu_bg.mpg"),
            QStringLiteral("menu.mpg")) &&
        Write(folder, QStringLiteral("dvd.xml"), layout) &&
        Run(folder, QStringLiteral("dvdauthor"), Split("-x dvd.xml"));
    const QString disc = QDir(folder).filePath(QStringLiteral("disc"));
    return made && QFileInfo::exists(disc + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")) ? disc : QString();
}

QString AuthorPal(const QString& folder)
{
    const QByteArray layout = R"(<dvdauthor dest="pal">
 <vmgm/>
 <titleset><titles><video format="pal" aspect="4:3"/><audio lang="de"/>
  <pgc><vob file="p.mpg"/></pgc>
 </titles></titleset>
</dvdauthor>
)";
    const bool made =
        Run(folder, QStringLiteral("ffmpeg"),
            Split("-v error -y -f lavfi -i testsrc=size=720x576:rate=25:duration=3 -f lavfi -i "
                  "sine=frequency=440:duration=3:sample_rate=48000 -map 0:v -map 1:a -target pal-dvd -aspect "
                  "4:3 "
                  "-b:v 1500k -g 12 -c:a ac3 -b:a 96k -ac 2 p.mpg")) &&
        Write(folder, QStringLiteral("pal.xml"), layout) &&
        Run(folder, QStringLiteral("dvdauthor"), Split("-x pal.xml"), QString(), QString(), "PAL");
    const QString disc = QDir(folder).filePath(QStringLiteral("pal"));
    return made && QFileInfo::exists(disc + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")) ? disc : QString();
}

struct Made
{
    QTemporaryDir folder;
    QString disc;
    QString image;
    bool imageTried = false;
    QString pal;
    bool palTried = false;
};

Made& Disc()
{
    static const std::unique_ptr<Made> made = [] {
        auto m = std::make_unique<Made>();
        if (m->folder.isValid())
            m->disc = Author(m->folder.path());
        return m;
    }();
    return *made;
}

bool CopyFolder(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to))
        return false;
    const QDir source(from);
    for (const QFileInfo& entry : source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
        const QString target = QDir(to).filePath(entry.fileName());
        if (entry.isDir() ? !CopyFolder(entry.filePath(), target) : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}

} // namespace

QString DvdDisc()
{
    return Disc().disc;
}

QString DvdDiscImage()
{
    Made& made = Disc();
    if (!made.imageTried && !made.disc.isEmpty()) {
        made.imageTried = true;
        const QString image = made.folder.filePath(QStringLiteral("disc.iso"));
        if (Run(made.folder.path(), QStringLiteral("genisoimage"),
                Split("-quiet -dvd-video -V SORLIN_TEST -o disc.iso disc")))
            made.image = image;
    }
    return made.image;
}

QString PalDvdDisc()
{
    Made& made = Disc();
    if (!made.palTried) {
        made.palTried = true;
        made.pal = AuthorPal(made.folder.path());
    }
    return made.pal;
}

QString CopyDisc(const QString& folder)
{
    const QString disc = DvdDisc();
    const QString copy = QDir(folder).filePath(QStringLiteral("disc"));
    return !disc.isEmpty() && CopyFolder(disc, copy) ? copy : QString();
}

} // namespace media_files
