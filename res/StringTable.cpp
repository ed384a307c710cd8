#include "StringTable.h"

#include <algorithm>
#include <array>

namespace res {
namespace {

struct Entry
{
    int id;
    const char* text; // UTF-8
};

// Filters use the common-dialog form "description|patterns|...||".
constexpr std::array kStrings{
    Entry{kStrVersionMenuItem, "ﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    Entry{kStrClockFormat, "%d年%02d月%02d日\n%02d:%02d:%02d"},
    Entry{kStrConnecting, "CONNECTING..."},
    Entry{kStrDefaultFontFace, "ＭＳ ゴシック"},
    Entry{kStrMeasureSample, "2000年01月01日"},
    Entry{kStrBuildGraphFailed, "Quartz core componentsの初期化に失敗しました。"},
    Entry{kStrCannotPlay, "このﾌｧｲﾙは、再生できません。"},
    Entry{kStrCannotPause, "このﾌｧｲﾙは、ﾎﾟｰｽﾞできません。"},
    Entry{kStrCannotStop, "このﾌｧｲﾙは、停止できません。"},
    Entry{kStrStopwatchFormat, "\n%02d:%02d:%02d"},
    Entry{kStrNoGraphBuilder, "CoCreateInstance IID_IGraphBuilder NG"},
    Entry{kStrNoMediaEvent, "IMediaEvent NG"},
    Entry{kStrNoEventHandle, "GetEventHandle NG"},
    Entry{kStrNoMediaControl, "IMediaControl NG"},
    Entry{kStrNoMediaPosition, "IMediaPosition NG"},
    Entry{kStrTrackFormat, "ﾄﾗｯｸ %02d\n%02d:%02d:%02d"},
    Entry{kStrTitleTimeFormat, "%s\n%02d:%02d:%02d"},
    Entry{kStrNoVideoWindow, "IVideoWindow NG"},
    Entry{kStrNoDvdControl, "IDVDControl NG"},
    Entry{kStrNoDvdInfo, "IDVDInfo NG"},
    Entry{kStrScrolledTitleFormat, "%s\n%02d:%02d:%02d"},
    Entry{kStrConfirmDeleteSettings, "Vimoﾌﾟﾚｰﾔのﾚｼﾞｽﾄﾘを削除して終了します。いいですか。"},
    Entry{kStrNoPropertyPages, "ﾌﾟﾛﾊﾟﾃｨは表示できませんでした。(GetPages)"},
    Entry{kStrNoFilterInfo, "ﾌﾟﾛﾊﾟﾃｨは表示できませんでした。(QueryFilterInfo)"},
    Entry{kStrFileNotFound, "ﾌｧｲﾙが見つかりません。\n%1"},
    Entry{kStrCannotOpen, "開けませんでした。\n%1"},
    Entry{kStrNothingToPlay, "再生できる項目がありません。\n%1"},
    Entry{kStrCannotSave, "保存できませんでした。\n%1"},
    Entry{kStrDownloadingFormat, "%1をﾀﾞｳﾝﾛｰﾄﾞ中です。"},
    Entry{kStrPercentFormat, "%1%完了"},
    Entry{kStrDownloadFailed, "ﾀﾞｳﾝﾛｰﾄﾞできませんでした。\n%1\n%2"},
    Entry{kStrHttpStatus, "ｻｰﾊﾞｰの応答: %1 %2"},
    Entry{kStrDownloadStalled, "%1秒の間ﾃﾞｰﾀが届きませんでした。"},
    Entry{kStrDownloadCutShort, "接続が途中で切れました (%1 / %2 ﾊﾞｲﾄ)。"},
    Entry{kStrBadAddress, "ﾀﾞｳﾝﾛｰﾄﾞできないｱﾄﾞﾚｽです。"},
    Entry{kStrTooManyRedirects, "転送先の指示が多すぎます。"},
    Entry{kStrCacheNotWritable, "ｷｬｯｼｭに書き込めませんでした: %1"},
    Entry{kStrArchiveTooManyMembers, "書庫の項目が多すぎます (%1 個まで)。\n%2"},
    Entry{kStrMemberTooLarge, "書庫の項目が大きすぎます。\n%1"},
    Entry{kStrCacheFull, "ｷｬｯｼｭの空きが足りません。\n%1"},
    Entry{kStrMemberNotExtracted, "書庫から取り出せませんでした。\n%1"},
    Entry{kStrDvdNoVolume, "DVD-Videoのﾎﾞﾘｭｰﾑが見つかりません。\n%1"},
    Entry{kStrDvdUnreadable, "DVD-Videoのﾀｲﾄﾙ情報を読めません。\n%1"},
    Entry{kStrDvdNoTitles, "DVD-Videoにﾀｲﾄﾙがありません。\n%1"},
    Entry{kStrDvdNoDecoder, "ﾊｰﾄﾞｳｪｱのMPEG-2ﾃﾞｺｰﾀﾞがありません。\n%1"},
    Entry{kStrDvdNotStarted, "DVDを再生できません。\n%1"},
    Entry{kStrDownloadTooLarge, "%1 MiBを超えるﾌｧｲﾙはﾀﾞｳﾝﾛｰﾄﾞできません。"},
    Entry{kStrDiskFull, "ｷｬｯｼｭのﾃﾞｨｽｸに空き容量がありません。"},
    Entry{kStrConfirmStart, "次のﾌﾟﾛｸﾞﾗﾑを起動しますか?\n%1"},
    Entry{kStrExtractTitle, "書庫から取り出し"},
    Entry{kStrExtractingFormat, "%1を書庫から取り出し中です。"},
    Entry{kStrErrorCode, "ｴﾗｰｺｰﾄﾞ:%d"},
    Entry{kStrExeDefaultExt, "exe"},
    Entry{kStrLaunchFilter, "ﾒﾃﾞｨｱﾌｧｲﾙ(*.wav;*.mp3;*.wma;*.mid;*.avi;*.mpg;*.wmv;*.mp4;*.ogg;*.m3u)|"
                            "*.wav;*.mp3;*.wma;*.mid;*.avi;*.mpg;*.wmv;*.mp4;*.ogg;*.m3u|"
                            "実行ﾌｧｲﾙ(*.exe)|*.exe|全てのﾌｧｲﾙ(*.*)|*.*||"},
    Entry{kStrOpenTitle, "開く"},
    Entry{kStrMediaDefaultExt, "mpg"},
    Entry{kStrMediaFilter,
          "ﾒﾃﾞｨｱﾌｧｲﾙ|*.wav;*.mp3;*.wma;*.mid;*.midi;*.rmi;*.avi;*.mpg;*.mpeg;*.m1v;*.dat;*.wmv;"
          "*.asf;*.mp4;*.m4a;*.ogg;*.flac;*.mkv;*.webm;*.m3u|"
          "ﾌﾟﾚｲﾘｽﾄ(*.m3u)|*.m3u|"
          "ﾋﾞﾃﾞｵﾌｧｲﾙ|*.avi;*.mpg;*.mpeg;*.m1v;*.dat;*.wmv;*.asf;*.mp4;*.mkv;*.webm|"
          "ｵｰﾃﾞｨｵﾌｧｲﾙ|*.wav;*.mp3;*.wma;*.mid;*.midi;*.rmi;*.m4a;*.ogg;*.flac|"
          "全てのﾌｧｲﾙ(*.*)|*.*||"},
    Entry{kStrImageFilter, "画像ﾌｧｲﾙ(*.bmp;*.jpg;*.jpeg;*.png)|*.bmp;*.jpg;*.jpeg;*.png|"
                           "BMPﾌｧｲﾙ(*.bmp)|*.bmp|全てのﾌｧｲﾙ(*.*)|*.*||"},
    Entry{kStrImageDefaultExt, "bmp"},
    Entry{kStrSkinDefaultExt, "ini"},
    Entry{kStrSkinFilter, "ｽｷﾝ定義ﾌｧｲﾙ(*.ini)|*.ini|全てのﾌｧｲﾙ(*.*)|*.*||"},
    Entry{kStrPlaylistFilter, "ﾌﾟﾚｲﾘｽﾄ(*.m3u)|*.m3u|全てのﾌｧｲﾙ(*.*)|*.*||"},
    Entry{kStrPlaylistDefaultExt, "m3u"},
    Entry{kStrSavePlaylistTitle, "プレイリストを保存"},
    Entry{kStrPlayCaption, "再生"},
    Entry{kStrStopCaption, "停止"},
    Entry{kStrOpenPlaylistTitle, "プレイリストを開く"},
    Entry{kStrLanguageJapanese, "日本語"},
    Entry{kStrLanguageEnglish, "英語"},
    Entry{kStrAngleFormat, "ｱﾝｸﾞﾙ %d"},
    Entry{kStrAppTitle, "Vimoﾌﾟﾚｰﾔ"},
    Entry{kStrOleInitFailed,
          "OLE の初期化に失敗しました。OLE ﾗｲﾌﾞﾗﾘが正しいﾊﾞｰｼﾞｮﾝのものか確認してください。"},
};

} // namespace

QString LoadString(int id)
{
    const auto it =
        std::find_if(kStrings.begin(), kStrings.end(), [id](const Entry& e) { return e.id == id; });
    return it == kStrings.end() ? QString() : QString::fromUtf8(it->text);
}

} // namespace res
