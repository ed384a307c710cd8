#include "DVDMedia.h"

#include "RateStep.h"
#include "VideoWindow.h"
#include "platform/Log.h"
#include "platform/MessageBox.h"
#include "platform/PathSplit.h"
#include "platform/proxy/DvdGraphProxy.h"
#include "res/StringTable.h"

#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int kErrorTextLength = 200;

void Message(int id)
{
    platform::ShowMessageBox(nullptr, res::LoadString(id));
}

// The leading integer of `text`, as the C library reads one: blanks, a sign, digits; 0 when
// there is none.
int LeadingInt(const QString& text)
{
    int i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i].isDigit() && value < 1000000000; ++i)
        value = value * 10 + text[i].digitValue();
    return static_cast<int>(negative ? -value : value);
}

QString ChapterSuffix(int title, int chapter)
{
    return QStringLiteral("_%1_%2").arg(title, 2, 10, QChar(u'0')).arg(chapter, 3, 10, QChar(u'0'));
}

// The stream language's name as the lists show it.
QString LanguageName(const QString& code)
{
    const QString english = platform::EnglishLanguageName(code);
    if (english == QStringLiteral("Japanese"))
        return res::LoadString(res::kStrLanguageJapanese);
    if (english == QStringLiteral("English"))
        return res::LoadString(res::kStrLanguageEnglish);
    return english;
}

} // namespace

CDVDMedia::CDVDMedia(platform::DriveTable driveTable) : CMedia(std::move(driveTable)) {}

CDVDMedia::~CDVDMedia()
{
    CDVDMedia::Close();
}

bool CDVDMedia::BuildGraph(const QString& path)
{
    engineFailed = false;
    if (!platform::DvdGraphProxy::FrameworkAvailable()) {
        Message(res::kStrNoGraphBuilder);
        engineFailed = true;
        return false;
    }
    auto dvd = std::make_unique<platform::DvdGraphProxy>(owner, platform::WM_GRAPH_EVENT);
    if (!dvd->RenderDvd(path, decodeFlags)) {
        errorText = dvd->LastError().left(kErrorTextLength);
        platform::ShowMessageBox(nullptr, errorText);
        engineFailed = true;
        return false;
    }
    // The render either builds the whole graph or fails: there is no partial result to report.
    platform::DvdGraphProxy* built = dvd.get();
    graph = std::move(dvd);
    AdoptVideo();
    if (!window) {
        Message(res::kStrNoVideoWindow);
        engineFailed = true;
        Close();
        return false;
    }
    navigator = built;
    SetClosedCaption(closedCaption);
    SelectAudio(audioStream);
    SelectSubpicture(subpictureStream, subpictureShown);
    videoWnd.SetActive(false);
    return true;
}

void CDVDMedia::Close()
{
    navigator = nullptr;
    SetRate(0);
    CMedia::Close();
    validUops = 0;
    stillOn = false;
    eventChapter = 0;
}

void CDVDMedia::AttachPlayWnd(CMedia* target)
{
    videoWnd.Attach(target, CPlayWnd::Attached::kDvdEngine);
}

void CDVDMedia::FitVideoWindow()
{
    // Full screen, the window's size is the screen's: it must not become the remembered one.
    if (!window || nativeVideoSize.isEmpty() || fullScreen)
        return;
    QRect& remembered = RememberedVideoRect();
    remembered.setSize(window->size());
    FitRememberedSize(&remembered, nativeVideoSize);
    window->resize(remembered.size());
}

int CDVDMedia::TakeGraphEvent()
{
    platform::DvdGraphProxy::Event event;
    if (!navigator || !navigator->TakeDvdEvent(&event))
        return 0;
    switch (event.code) {
    case platform::EC_COMPLETE:
        Stop();
        break;
    case platform::EC_ERRORABORT:
        EndWithGraph(QStringLiteral("the disc ended with an error:"), navigator->LastError());
        break;
    case platform::EC_USERABORT:
        EndWithGraph();
        break;
    case platform::EC_DVD_DOMAIN_CHANGE: {
        const platform::DvdDomain newDomain = platform::DvdDomainFromValue(event.p1);
        if (domain != platform::DvdDomain::kTitle && newDomain == platform::DvdDomain::kTitle)
            LeaveMenu();
        domain = newDomain;
        if (newDomain == platform::DvdDomain::kVideoManagerMenu ||
            newDomain == platform::DvdDomain::kTitleSetMenu)
            MarkChanged();
        if (newDomain == platform::DvdDomain::kStop) {
            Stop();
            SetFullScreen(false, true);
            Close();
        }
        break;
    }
    case platform::EC_DVD_TITLE_CHANGE:
        if (event.p1 != title) {
            if (title != 0)
                titleChanged = true;
            title = static_cast<int>(event.p1);
        }
        break;
    case platform::EC_DVD_CHAPTER_START:
        // Compared with the chapter the events announced: GetLocation keeps `chapter` current
        // between events, and a change it saw first must still count.
        if (event.p1 != eventChapter || titleChanged) {
            if (eventChapter != 0)
                MarkChanged();
            titleChanged = false;
        }
        eventChapter = chapter = static_cast<int>(event.p1);
        FitVideoWindow();
        break;
    case platform::EC_DVD_VALID_UOPS_CHANGE:
        validUops = static_cast<unsigned long>(event.p1);
        break;
    case platform::EC_DVD_STILL_ON:
        stillOn = true;
        break;
    case platform::EC_DVD_STILL_OFF:
        stillOn = false;
        break;
    case platform::EC_DVD_CURRENT_TIME:
        if (domain == platform::DvdDomain::kTitle && pending.kind != PendingJump::Kind::kNone && title != 0 &&
            chapter != 0 && event.p2 == 1) {
            const PendingJump jump = pending;
            switch (jump.kind) {
            case PendingJump::Kind::kTitle:
                PlayTitle(jump.title, true);
                break;
            case PendingJump::Kind::kChapter:
                PlayChapter(jump.chapter, true, jump.title);
                break;
            case PendingJump::Kind::kTime:
                Seek(jump.ms, jump.title);
                break;
            case PendingJump::Kind::kNone:
                break;
            }
        }
        break;
    case platform::EC_DVD_PLAYBACK_RATE_CHANGE:
        rate = event.p1 / 10000.0;
        break;
    default:
        break;
    }
    return event.code;
}

void CDVDMedia::Prepare()
{
    if (stillOn)
        navigator->StillOff();
    if (domain != platform::DvdDomain::kTitle)
        navigator->Resume();
}

void CDVDMedia::PlayTitle(int number, bool absolute)
{
    pending = {};
    const int target = std::clamp(absolute ? number : title + number, 1, 99);
    if (target == title)
        return;
    if (navigator) {
        Prepare();
        if (navigator->PlayAtTimeInTitle(target, platform::DvdTimeCode::FromMs(0, frameRate == 25)) ||
            navigator->PlayTitle(target))
            return;
    }
    pending = {PendingJump::Kind::kTitle, target, 0, 0};
}

void CDVDMedia::PlayChapter(int number, bool absolute, int inTitle)
{
    pending = {};
    int targetChapter = absolute ? number : chapter + number;
    if (targetChapter == 0)
        targetChapter = 1;
    else if (targetChapter < 0 || targetChapter > 999)
        targetChapter = 999;
    int targetTitle = title;
    if (absolute) {
        targetTitle = inTitle;
        if (targetTitle == 0)
            targetTitle = 1;
        else if (targetTitle < 0 || targetTitle > 99)
            targetTitle = 99;
    }
    if (targetChapter == chapter && targetTitle == title)
        return;
    if (navigator) {
        Prepare();
        if (navigator->PlayChapterInTitle(targetTitle, targetChapter)) {
            // A jump asked for here is no change of the item the controller has to follow.
            eventChapter = chapter = targetChapter;
            return;
        }
    }
    pending = {PendingJump::Kind::kChapter, targetTitle, targetChapter, 0};
}

bool CDVDMedia::Seek(int ms, int inTitle)
{
    pending = {};
    if (ms == -1)
        ms = 0;
    ms = std::max(ms, 0);
    const platform::DvdTimeCode time = platform::DvdTimeCode::FromMs(ms, frameRate == 25);
    if (!navigator || title == 0 || chapter == 0) {
        pending = {PendingJump::Kind::kTime, inTitle, 0, ms};
        return false;
    }
    Prepare();
    if (navigator->PlayAtTimeInTitle(inTitle, time))
        return true;
    if (navigator->PlayTitle(inTitle))
        return false; // the title plays from its start
    pending = {PendingJump::Kind::kTime, inTitle, 0, ms};
    return false;
}

void CDVDMedia::ShowMenu(platform::DvdMenu menu)
{
    if (!navigator || !window)
        return;
    if (domain != platform::DvdDomain::kTitle) {
        LeaveMenu();
        return;
    }
    if (stillOn)
        navigator->StillOff();
    navigator->ShowMenu(menu);
}

void CDVDMedia::LeaveMenu()
{
    if (!navigator || !window)
        return;
    if (stillOn)
        navigator->StillOff();
    navigator->Resume();
}

void CDVDMedia::MenuKey(NavigationKey key, double scanRate)
{
    const bool inTitle = domain == platform::DvdDomain::kTitle;
    switch (key) {
    case NavigationKey::kLeft:
    case NavigationKey::kRight:
        if (inTitle)
            SetRate(scanRate);
        else if (navigator)
            navigator->SelectButton(key == NavigationKey::kLeft ? platform::DvdButtonMove::Left
                                                                : platform::DvdButtonMove::Right);
        break;
    case NavigationKey::kUp:
    case NavigationKey::kDown:
        if (!inTitle && navigator)
            navigator->SelectButton(key == NavigationKey::kUp ? platform::DvdButtonMove::Up
                                                              : platform::DvdButtonMove::Down);
        break;
    case NavigationKey::kEnter:
        if (navigator)
            navigator->ActivateButton();
        break;
    default:
        break;
    }
}

void CDVDMedia::PointerAction(PointerEvent event, int x, int y)
{
    if ((validUops & platform::kUopSelectOrActivateButton) || !navigator)
        return;
    // The navigator knows its buttons in frame pixels; the pointer is in the window.
    QPoint at(x, y);
    if (window) {
        const QRect picture = window->PictureRect();
        const QSize frame = window->Frame().isNull() ? window->VideoSize() : window->Frame().size();
        if (!picture.isEmpty() && !frame.isEmpty())
            at = QPoint((x - picture.left()) * frame.width() / picture.width(),
                        (y - picture.top()) * frame.height() / picture.height());
    }
    if (event == PointerEvent::kMove)
        navigator->SelectAtPosition(at.x(), at.y());
    else
        navigator->ActivateAtPosition(at.x(), at.y());
}

void CDVDMedia::SelectAudio(int stream)
{
    audioStream = stream;
    if (navigator && ((stream >= 0 && stream <= 7) || stream == 15))
        navigator->SelectAudioStream(stream);
}

void CDVDMedia::SelectSubpicture(int stream, bool show)
{
    subpictureStream = stream;
    subpictureShown = show;
    if (!navigator || !((stream >= 0 && stream <= 32) || stream == 63))
        return;
    if (show)
        navigator->SelectSubpictureStream(stream);
    navigator->SetSubpictureState(show);
}

void CDVDMedia::SelectAngle(int index)
{
    angle = index;
    if (index < 0 || index > 8 || !navigator)
        return;
    navigator->SelectAngle(index + 1);
}

void CDVDMedia::SetClosedCaption(bool on)
{
    closedCaption = on;
    // Without a caption decoder the choice is kept and captions stay off.
    if (navigator)
        navigator->SetClosedCaptions(on);
}

void CDVDMedia::SetDecodeMode(int flags)
{
    decodeFlags = flags;
}

void CDVDMedia::SetRate(double request)
{
    const double previous = rate;
    rate = NextRate(rate, request);
    if (!navigator || !state.IsPlaying())
        return;
    auto scan = [this](double speed) {
        return speed >= 0 ? navigator->PlayForwards(speed) : navigator->PlayBackwards(-speed);
    };
    if (!scan(rate)) {
        rate = previous;
        scan(rate);
    }
}

namespace {

// The stream languages of the title being played, from the disc's table.
const platform::DvdTitleInfo* CurrentTitleInfo(platform::DvdGraphProxy* dvd)
{
    platform::DvdLocation location;
    if (!dvd || !dvd->CurrentLocation(&location))
        return nullptr;
    const auto& titles = dvd->Volume().titles;
    if (location.title < 1 || location.title > static_cast<int>(titles.size()))
        return nullptr;
    return &titles[static_cast<size_t>(location.title - 1)];
}

// Empties `names` and gives the title whose streams can be told now, or null. Outside a title
// the count stays as the caller set it; a title the disc's table lacks counts 0.
const platform::DvdTitleInfo* TitleForStreams(platform::DvdDomain domain, platform::DvdGraphProxy* dvd,
                                              QStringList* names, unsigned* count)
{
    names->clear();
    if (domain != platform::DvdDomain::kTitle || !dvd)
        return nullptr;
    const platform::DvdTitleInfo* info = CurrentTitleInfo(dvd);
    if (!info)
        *count = 0;
    return info;
}

void AppendLanguages(const QStringList& codes, QStringList* names)
{
    for (const QString& code : codes) {
        const QString name = LanguageName(code);
        if (!name.isEmpty())
            names->append(name);
    }
}

} // namespace

void CDVDMedia::GetAudioStreams(QStringList* names, unsigned* count, unsigned long* current)
{
    const platform::DvdTitleInfo* info = TitleForStreams(domain, navigator, names, count);
    if (!info)
        return;
    *count = static_cast<unsigned>(info->audioLanguages.size());
    *current = static_cast<unsigned long>(std::max(navigator->ActiveAudio(), 0));
    AppendLanguages(info->audioLanguages, names);
}

void CDVDMedia::GetSubpictureStreams(QStringList* names, unsigned* count, unsigned long* current,
                                     bool* disabled)
{
    const platform::DvdTitleInfo* info = TitleForStreams(domain, navigator, names, count);
    if (!info)
        return;
    *count = static_cast<unsigned>(info->subpictureLanguages.size());
    *current = static_cast<unsigned long>(std::max(navigator->ActiveSubpicture(), 0));
    *disabled = !navigator->SubpicturesShown();
    AppendLanguages(info->subpictureLanguages, names);
}

void CDVDMedia::GetAngles(QStringList* names, unsigned* count, int* current)
{
    names->clear();
    if (domain != platform::DvdDomain::kTitle || !navigator)
        return;
    int angles = 0;
    int now = 0;
    if (!navigator->CurrentAngle(&angles, &now)) {
        *count = 0;
        return;
    }
    *count = static_cast<unsigned>(angles);
    *current = now - 1;
    const QString format = res::LoadString(res::kStrAngleFormat);
    for (int i = 1; i <= angles; ++i)
        names->append(QString(format).replace(QStringLiteral("%d"), QString::number(i)));
}

int CDVDMedia::FollowLocation()
{
    int nowTitle = title;
    int nowChapter = chapter;
    const int ms = GetLocation(&nowTitle, &nowChapter);
    title = nowTitle;
    chapter = nowChapter;
    return ms;
}

int CDVDMedia::GetLocation(int* titleOut, int* chapterOut)
{
    platform::DvdLocation location;
    if (!navigator || !navigator->CurrentLocation(&location))
        return -1;
    if (location.time.IsInvalid()) {
        // No time in the title yet (a jump is under way): the last position stands.
        frameRate = 30;
        return lastPosition;
    }
    frameRate = location.time.FramesPerSecond();
    *titleOut = location.title;
    chapter = *chapterOut = location.chapter;
    const int ms = static_cast<int>(location.time.ToMs());
    if (ms == 0)
        return lastPosition;
    lastPosition = ms;
    return ms;
}

bool CDVDMedia::ListChapterItems(const QString& path, QStringList* items, bool* found, int* foundPos,
                                 const QString& wanted, bool select)
{
    const platform::PathParts parts = platform::SplitPath(path, drives);
    if (!navigator)
        return false;
    const QString stem = parts.root + parts.dir + parts.name;
    platform::DvdVolume volume;
    if (!navigator->ReadVolume(&volume)) {
        items->append(stem + ChapterSuffix(1, 1) + parts.ext);
        return false;
    }
    bool counted = false;
    for (size_t i = 0; i < volume.titles.size(); ++i) {
        const int chapters = volume.titles[i].chapters;
        if (chapters <= 0)
            continue; // a title without chapters has none to list
        counted = true;
        for (int c = 1; c <= chapters; ++c) {
            const QString item = stem + ChapterSuffix(static_cast<int>(i) + 1, c) + parts.ext;
            items->append(item);
            if (select && !*found && item == wanted) {
                *found = true;
                *foundPos = static_cast<int>(items->size()) - 1;
            }
        }
    }
    return counted;
}

int CDVDMedia::ParseChapterItem(const QString& itemPath, int* titleOut, const platform::DriveTable& drives)
{
    return ChapterOfName(platform::SplitPath(itemPath, drives).name, titleOut);
}

int CDVDMedia::ChapterOfName(const QString& name, int* titleOut)
{
    const int k = static_cast<int>(name.indexOf(u'_'));
    if (k < 0 || name.isEmpty()) {
        *titleOut = 0;
        return 0;
    }
    *titleOut = LeadingInt(name.mid(k + 4, 2));
    return LeadingInt(name.mid(k + 7, 3));
}

QString CDVDMedia::BuildItemName(int titleNumber, int chapterNumber) const
{
    // folderName already begins with the drive's root.
    return folderName + ChapterSuffix(titleNumber, chapterNumber) + QStringLiteral(".IFO");
}

QString CDVDMedia::GetIfoFromItem(const QString& itemPath)
{
    return IfoOfItem(platform::SplitPath(itemPath, platform::DriveTable()));
}

QString CDVDMedia::IfoOfItem(const platform::PathParts& parts)
{
    const int k = static_cast<int>(parts.name.indexOf(u'_'));
    if (k < 0)
        return {};
    return parts.Folder() + parts.name.left(k + 3) + parts.ext;
}

bool CDVDMedia::FindIfo(const QString& root, QString* ifoPath, bool preferAudio)
{
    ifoPath->clear();
    // On a disc image or an unmounted drive the files are looked for inside the volume.
    const QFileInfo rootInfo(root);
    const bool volumeFile = rootInfo.exists() && !rootInfo.isDir();
    // On a mounted disc the names may show in lower case.
    auto find = [&](const QString& inVolume) {
        if (volumeFile)
            return platform::DvdVolumeHasFile(root, inVolume) ? root + inVolume : QString();
        return platform::FindPathIgnoringCase(root, inVolume);
    };
    if (preferAudio)
        *ifoPath = find(QStringLiteral("/AUDIO_TS/AUDIO_TS.IFO"));
    if (ifoPath->isEmpty())
        *ifoPath = find(QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO"));
    return !ifoPath->isEmpty();
}
