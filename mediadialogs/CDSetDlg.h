#pragma once
// CCDSetDlg: the play settings ("再生設定"): automatic play, the drive and the last disc's
// identity, the CD and DVD start tracks and preferences, the playlist and its item to start
// with, the start position, repeat, titles, random order and the download cache. The owner
// fills the values, and reads them back after OK; the dialog only reads numbers.
//
// The drive is an optical drive's device node (offered from the drives found), or a CD or DVD
// image file or a folder typed in; an empty drive stands for the first optical drive. Linux
// paths are case-sensitive: the text is taken as typed.

#include "player/MediaPlayer.h"
#include "skin/DialogEx.h"

#include <QStringList>

class CCDSetDlg : public CDialogEx
{
    Q_OBJECT
public:
    static constexpr int kAutoPlay = 1026;
    static constexpr int kDrive = 1027;
    static constexpr int kIdentity = 1028;
    static constexpr int kCdTrack = 1029;
    static constexpr int kCccdFirst = 1045;
    static constexpr int kDvdTrack = 1031;
    static constexpr int kDvdAudioFirst = 1046;
    static constexpr int kPlaylist = 1034;
    static constexpr int kBrowse = 1008;
    static constexpr int kStartItem = 1035;
    static constexpr int kPosition = 1030;
    static constexpr int kRepeat = 1036;
    static constexpr int kTitles = 1037;
    static constexpr int kRandom = 1044;
    static constexpr int kDownloadCache = 1047;

    // `items` are the controller's items, to choose the start item from; the controller gives
    // their titles. `drives` are the optical drives offered.
    CCDSetDlg(CMediaPlayer& controller, QStringList items, const CMediaPlayer::PlaySettings& values,
              QStringList drives, QWidget* parent = nullptr);

    // After OK: the values chosen (`track` is the CD's start track, `title` the DVD's).
    const CMediaPlayer::PlaySettings& Values() const { return values; }

    void accept() override;

protected:
    void OnInitDialog() override;

private:
    // The start item's list, in titles or in names.
    void FillItems(bool showTags);

    CMediaPlayer& controller;
    QStringList items;
    CMediaPlayer::PlaySettings values;
    QStringList drives;
};
