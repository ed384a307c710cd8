#include "Media.h"

#include "FilterPropertiesDialog.h"
#include "MIDI.h"
#include "RateStep.h"
#include "VideoWindow.h"
#include "platform/Log.h"
#include "platform/MessageBox.h"
#include "platform/PathSplit.h"
#include "platform/proxy/GraphProxy.h"
#include "res/StringTable.h"

#include <climits>

#include <QApplication>
#include <QFileInfo>

#include <algorithm>

namespace {

void Message(int id)
{
    platform::ShowMessageBox(nullptr, res::LoadString(id));
}

} // namespace

CMedia::CMedia(platform::DriveTable driveTable) : drives(std::move(driveTable)) {}

CMedia::~CMedia()
{
    CMedia::Close();
}

QRect& CMedia::RememberedVideoRect()
{
    static QRect rect(0, 0, 0, 0);
    return rect;
}

double CMedia::GetRate()
{
    return rate;
}

void CMedia::FitVideoWindow() {}

bool CMedia::IsFullScreen()
{
    return fullScreen;
}

void CMedia::PointerAction(PointerEvent, int, int) {}

void CMedia::GetFilterNames(QStringList* names, int* count)
{
    names->clear();
    *names = graph ? graph->ElementNames() : QStringList();
    *count = static_cast<int>(names->size());
}

void CMedia::ShowFilterProperties(int index)
{
    QString name;
    QList<platform::ElementProperty> properties;
    if (!graph || !graph->ElementProperties(index, &name, &properties))
        return; // no such element: nothing to show
    QList<FilterPropertiesDialog::Row> rows;
    for (const auto& property : properties)
        rows.append({property.name, property.value, property.description});
    FilterPropertiesDialog dialog(name, rows);
    dialog.exec();
}

void CMedia::SetRate(double request)
{
    const double fallback = request == 0 ? 1.0 : rate;
    rate = NextRate(rate, request);
    if (graph && !graph->SetRate(rate)) {
        rate = fallback;
        graph->SetRate(fallback);
    }
}

void CMedia::HideCursor(bool hide)
{
    if (window)
        window->setCursor(hide ? Qt::BlankCursor : Qt::ArrowCursor);
}

bool CMedia::SetFullScreen(bool on, bool temporary)
{
    if (!temporary)
        fullScreen = on;
    if (!window)
        return false;
    if (on) {
        window->showFullScreen();
        window->raise();
        window->activateWindow();
        videoWnd.SetActive(true);
        return true;
    }
    if (!temporary) {
        const QRect& remembered = RememberedVideoRect();
        if (remembered.left() != 0 && remembered.top() != 0) {
            window->showNormal();
            window->setGeometry(remembered);
        } else {
            window->showNormal();
        }
    }
    videoWnd.SetActive(false);
    return true;
}

bool CMedia::Seek(int ms, int)
{
    return graph && graph->Seek(ms);
}

int CMedia::GetPosition()
{
    if (!graph)
        return -1;
    const qint64 position = graph->Position();
    return position < 0 ? -1 : static_cast<int>(position);
}

int CMedia::GetDuration()
{
    if (!graph)
        return -1;
    const qint64 duration = graph->Duration();
    return duration < 0 || duration > INT_MAX ? -1 : static_cast<int>(duration);
}

void CMedia::EndWithGraph(const QString& what, const QString& error)
{
    if (!what.isEmpty()) {
        qCWarning(lcMedia).noquote() << what << error;
        MarkFailed();
    }
    Halt();
    SetFullScreen(false, true);
    Close();
}

EngineEvent CMedia::HandleGraphEvent()
{
    eventChanged = false;
    eventFailed = false;
    EngineEvent event;
    event.code = TakeGraphEvent();
    event.changed = eventChanged;
    event.failed = eventFailed;
    return event;
}

int CMedia::TakeGraphEvent()
{
    const int code = graph ? graph->TakeEvent() : 0;
    switch (code) {
    case platform::EC_COMPLETE:
        MarkChanged();
        break;
    case platform::EC_ERRORABORT:
        EndWithGraph(QStringLiteral("the item ended with an error:"), graph->LastError());
        break;
    case platform::EC_USERABORT:
        EndWithGraph();
        break;
    default:
        break;
    }
    return code;
}

bool CMedia::Play()
{
    if (!state.CanPlay())
        return false;
    if (!graph || !graph->Run()) {
        Message(res::kStrCannotPlay);
        return false;
    }
    state.Set(EngineState::kPlaying);
    return true;
}

void CMedia::Pause()
{
    if (!state.CanPause())
        return;
    if (!graph || !graph->Pause()) {
        Message(res::kStrCannotPause);
        return;
    }
    state.Set(EngineState::kPaused);
}

void CMedia::Stop()
{
    if (!state.CanStop())
        return;
    if (!graph) {
        Message(res::kStrCannotStop);
        return;
    }
    graph->StopAndRewind();
    state.Set(EngineState::kStopped);
}

void CMedia::Halt()
{
    if (!state.CanStop() || !graph)
        return;
    graph->Pause(1000);
    if (graph->Seek(0, 1000))
        state.Set(EngineState::kStopped);
}

void CMedia::SetVolume(long level)
{
    if (graph)
        graph->SetVolume(level);
}

void CMedia::Close()
{
    QRect& remembered = RememberedVideoRect();
    if (window) {
        const QRect geometry = window->geometry();
        remembered.moveTo(geometry.topLeft());
        if (!fullScreen)
            remembered.setSize(geometry.size());
        window.reset();
    }
    if (!nativeVideoSize.isEmpty() && !fullScreen)
        remembered.setSize(nativeVideoSize);
    nativeVideoSize = QSize();
    if (graph) {
        graph->Close();
        graph.reset();
        MarkChanged();
        // The next graph starts at normal speed; a scan rate left here would be reported
        // for a medium that does not scan.
        rate = 1.0;
    }
    videoWnd.Route(nullptr, nullptr);
    videoWnd.SetActive(false);
    state.Set(EngineState::kClosed);
}

void CMedia::ResetInterfaces()
{
    state.Set(EngineState::kClosed);
    if (graph)
        graph->Close();
    graph.reset();
}

bool CMedia::BuildGraph(const QString& path)
{
    engineFailed = false;
    // Our own reader refuses what is known to stop GStreamer's parser for good; the media
    // process would survive it, but only by being ended and started again.
    if (CMIDI::HasChunkPastEnd(path)) {
        qCWarning(lcMedia).noquote() << "a MIDI file whose chunks run past its end is not played:" << path;
        return false;
    }
    graph = std::make_unique<platform::GraphProxy>(owner, platform::WM_GRAPH_EVENT);
    if (!platform::GraphProxy::FrameworkAvailable()) {
        Message(res::kStrNoGraphBuilder);
        graph.reset();
        engineFailed = true;
        return false;
    }
    // A file nothing here decodes is a failed build too, so the caller can try it as a
    // still image or hand it to the desktop.
    if (!graph->RenderFile(path)) {
        qCDebug(lcMedia).noquote() << "not played:" << path << graph->LastError();
        graph.reset();
        return false;
    }
    AdoptVideo();
    return true;
}

void CMedia::FitRememberedSize(QRect* remembered, QSize video)
{
    const double aspect = double(video.width()) / video.height();
    remembered->setWidth(std::max(remembered->width(), video.width()));
    remembered->setHeight(std::max(remembered->height(), video.height()));
    if (double(remembered->width()) / remembered->height() < aspect)
        remembered->setWidth(static_cast<int>(remembered->height() * aspect));
}

void CMedia::AdoptVideo()
{
    nativeVideoSize = graph->NativeVideoSize();
    if (nativeVideoSize.isEmpty())
        return;
    FitRememberedSize(&RememberedVideoRect(), nativeVideoSize);
    window = std::make_unique<VideoWindow>(nativeVideoSize);
    window->onUserClose = [this] {
        if (graph)
            graph->QueueEvent(platform::EC_USERABORT);
    };
    graph->SetFrameHandler([this](const QImage& frame) {
        if (window)
            window->SetFrame(frame);
    });
}

bool CMedia::Open(const QString& path)
{
    Close();
    changed = false;
    failed = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool built = BuildGraph(path);
    QApplication::restoreOverrideCursor();
    if (!built) {
        if (engineFailed)
            Message(res::kStrBuildGraphFailed);
        return false;
    }
    if (window) {
        videoWnd.Route(window.get(), owner);
        window->resize(RememberedVideoRect().size().isEmpty() ? nativeVideoSize
                                                              : RememberedVideoRect().size());
    }
    SetFullScreen(fullScreen, false);
    return true;
}

void CMedia::AttachPlayWnd(CMedia* target)
{
    videoWnd.Attach(target, CPlayWnd::Attached::kMediaFileEngine);
}

bool CMedia::OpenMedia(QObject* ownerWindow, const QString& path, QWidget** videoWindow)
{
    owner = ownerWindow;
    AttachPlayWnd(this);
    const bool opened = Open(path);
    if (opened) {
        const platform::PathParts parts = platform::SplitPath(path, drives);
        drive = parts.drive;
        folderName = parts.Folder() + parts.name;
        state.Set(EngineState::kStopped);
    }
    if (videoWindow)
        *videoWindow = window.get();
    return opened;
}

bool CMedia::IsSameDrive(const QString& path) const
{
    return drives.DrivePart(path) == drive;
}

bool CMedia::IsVideoCD(const QString& root)
{
    return !platform::FindPathIgnoringCase(root, QStringLiteral("MPEGAV/AVSEQ01.DAT")).isEmpty();
}
