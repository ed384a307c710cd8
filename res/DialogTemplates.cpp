#include "DialogTemplates.h"

#include <algorithm>
#include <array>

namespace res {
namespace {

using K = ControlKind;
using C = ControlTemplate;

using Named = std::array<int, 2>;

constexpr C Title(const char* text, int width, Named names = {})
{
    return C{kIdTitle, K::kStatic, text, 0, 0, width, 18, kNoFlags, nullptr, 0, -1, names};
}
// A text, and the controls it is the label of.
constexpr C Text(const char* text, int x, int y, int width, Named names = {})
{
    return C{kIdStatic, K::kStatic, text, x, y, width, 22, kNoFlags, nullptr, 0, -1, names};
}
constexpr C Edit(int id, int x, int y, int width)
{
    return C{id, K::kEdit, "", x, y, width, 22};
}
constexpr C Check(int id, const char* text, int x, int y, int width, unsigned flags = kNoFlags)
{
    return C{id, K::kCheckBox, text, x, y, width, 22, flags};
}
constexpr C Button(int id, const char* text, int x, int y, int width, unsigned flags = kNoFlags)
{
    return C{id, K::kButton, text, x, y, width, 26, flags};
}
constexpr C Numbers(int id, const char* every, int first, int last, int x, int y)
{
    return C{id, K::kDropList, "", x, y, 64, 22, kNoFlags, every, first, last};
}

constexpr std::array kAbout{
    Title("ﾊﾞｰｼﾞｮﾝ情報", 320),
    C{kIdStatic, K::kIcon, "", 18, 32, 32, 32},
    C{1099, K::kStatic, "", 62, 30, 250, 22},
    C{1100, K::kStatic, "", 62, 52, 250, 22},
    C{1032, K::kLink, "", 62, 78, 250, 20},
    C{1033, K::kLink, "", 62, 100, 250, 20},
    Button(1048, "ﾚｼﾞｽﾄﾘ削除", 16, 134, 120),
    Button(kIdOk, "OK", 224, 134, 80, kDefault),
};

constexpr std::array kLaunch{
    Title("ﾀｲﾏｰ設定", 340),
    Text("番号", 12, 28, 36, {1009}),
    C{1009, K::kDropList, "", 50, 28, 64, 22},
    Check(1011, "実行", 130, 28, 70),
    Check(1013, "再生", 210, 28, 70, kHidden),
    Edit(1001, 12, 58, 56),
    Text("年(毎年は0)", 72, 58, 84, {1001}),
    Numbers(1010, "毎月", 1, 12, 160, 58),
    Text("月", 226, 58, 18, {1010}),
    Numbers(1012, "毎日", 1, 31, 248, 58),
    Text("日", 314, 58, 18, {1012}),
    Numbers(1014, "毎時", 0, 23, 12, 88),
    Text("～", 78, 88, 18, {1017}),
    Numbers(1017, "毎時", 0, 23, 96, 88),
    Text("時", 162, 88, 18, {1014, 1017}),
    Numbers(1015, "毎分", 0, 59, 182, 88),
    Text("分", 248, 88, 18, {1015}),
    Numbers(1016, "毎秒", 0, 59, 12, 118),
    Text("秒", 78, 118, 18, {1016}),
    Text("実行ﾌﾟﾛｸﾞﾗﾑ", 12, 148, 100, {1007, 1008}),
    Edit(1007, 12, 172, 252),
    Button(1008, "参照...", 270, 170, 60),
    Button(kIdOk, "OK", 160, 208, 80, kDefault),
    Button(kIdCancel, "ｷｬﾝｾﾙ", 250, 208, 80),
};

constexpr std::array kAlarm{
    Title("ｱﾗｰﾑ設定", 320),
    Check(1018, "ｶｳﾝﾄﾀﾞｳﾝ", 12, 28, 140),
    Text("ﾀｲﾏｰ値", 12, 58, 60, {1019}),
    Edit(1019, 74, 58, 80),
    Text("秒", 158, 58, 20, {1019}),
    Text("実行ﾌﾟﾛｸﾞﾗﾑ", 12, 88, 100, {1007, 1008}),
    Edit(1007, 12, 112, 232),
    Button(1008, "参照...", 250, 110, 60),
    Button(kIdOk, "OK", 140, 148, 80, kDefault),
    Button(kIdCancel, "ｷｬﾝｾﾙ", 230, 148, 80),
};

constexpr std::array kPosition{
    Title("座標設定", 380),
    Text("X座標", 12, 28, 44, {1020}),
    Edit(1020, 58, 28, 56),
    Text("Y座標", 122, 28, 44, {1021}),
    Edit(1021, 168, 28, 56),
    Text("幅", 12, 56, 44, {1022}),
    Edit(1022, 58, 56, 56),
    Text("高さ", 122, 56, 44, {1023}),
    Edit(1023, 168, 56, 56),
    Check(1038, "常に手前に表示", 236, 28, 140),
    Check(1043, "ﾘｻｲｽﾞ可能", 236, 56, 140),
    Text("ﾌﾟﾗｸﾞｲﾝ", 12, 86, 70, {1026, 1010}),
    Edit(1026, 84, 86, 218),
    Button(1010, "参照...", 308, 84, 62),
    Text("待ち時間", 12, 114, 70, {1028}),
    Edit(1028, 84, 114, 40),
    Text("秒", 128, 114, 20, {1028}),
    Check(1029, "DirectShow優先", 156, 114, 140),
    Check(1046, "ｳｨﾝﾄﾞｳで静止画表示", 12, 142, 200),
    Check(1041, "ｽｷﾝを使用", 12, 170, 140),
    Text("ｽｷﾝ定義", 12, 198, 70, {1039, 1040}),
    Edit(1039, 84, 198, 218),
    Button(1040, "参照...", 308, 196, 62),
    Text("画像ﾌｧｲﾙ", 12, 226, 70, {1024, 1008}),
    Edit(1024, 84, 226, 218),
    Button(1008, "参照...", 308, 224, 62),
    Check(1030, "縦横比を保持", 12, 254, 120),
    Check(1025, "ﾎﾞﾀﾝ表示", 140, 254, 100),
    Check(1045, "文字", 248, 254, 80),
    Button(1009, "色...", 12, 290, 72),
    Button(1031, "ﾌｫﾝﾄ...", 92, 290, 72),
    Button(kIdOk, "OK", 200, 290, 80, kDefault),
    Button(kIdCancel, "ｷｬﾝｾﾙ", 290, 290, 80),
};

constexpr C Group(const char* text, int x, int y, int width, int height)
{
    return C{kIdStatic, K::kGroup, text, x, y, width, height};
}

constexpr std::array kPlaylist{
    Title("ﾌﾟﾚｲﾘｽﾄ", 420, {1034}),
    C{1034, K::kListBox, "", 12, 26, 396, 228},
    C{1054, K::kEdit, "", 12, 260, 396, 22, kDisabled},
    Button(1008, "参照...", 12, 292, 80),
    Button(1009, "保存...", 100, 292, 80),
    Button(1055, "再生", 188, 292, 80),
    Button(kIdCancel, "閉じる", 328, 292, 80),
};

constexpr std::array kPlaySettings{
    Title("再生設定", 400),
    Check(1026, "自動再生", 12, 26, 140),
    Group("CD/VideoCD/DVD", 8, 50, 384, 80),
    Text("ﾄﾞﾗｲﾌﾞ", 20, 70, 76, {1027}),
    C{1027, K::kComboEdit, "", 100, 70, 280, 22},
    Text("識別情報", 20, 98, 76, {1028}),
    Edit(1028, 100, 98, 280),
    Group("CD", 8, 134, 384, 50),
    Text("再生開始ﾄﾗｯｸ", 20, 154, 96, {1029}),
    Edit(1029, 120, 154, 50),
    Check(1045, "CCCD優先", 200, 154, 140),
    Group("DVD", 8, 188, 384, 50),
    Text("再生開始ﾄﾗｯｸ", 20, 208, 96, {1031}),
    Edit(1031, 120, 208, 50),
    Check(1046, "DVD-AUDIO優先", 200, 208, 160),
    Group("ﾌﾟﾚｲﾘｽﾄ", 8, 242, 384, 80),
    Edit(1034, 20, 262, 286),
    Button(1008, "参照...", 312, 260, 68),
    C{1035, K::kDropList, "", 20, 290, 360, 22},
    Text("再生開始位置", 12, 330, 96, {1030}),
    Edit(1030, 110, 330, 90),
    Text("msec", 206, 330, 40, {1030}),
    Check(1036, "ﾘﾋﾟｰﾄ", 12, 358, 90),
    Check(1037, "ﾀｲﾄﾙ", 108, 358, 90),
    Check(1044, "ﾗﾝﾀﾞﾑ", 204, 358, 90),
    Check(1047, "ﾀﾞｳﾝﾛｰﾄﾞのｷｬｯｼｭ", 12, 384, 200),
    Button(kIdOk, "OK", 210, 416, 80, kDefault),
    Button(kIdCancel, "ｷｬﾝｾﾙ", 300, 416, 80),
};

constexpr std::array kProgress{
    Title("ﾀﾞｳﾝﾛｰﾄﾞ", 340),
    C{1037, K::kStatic, "progress", 16, 28, 308, 44},
    C{1038, K::kStatic, "100%", 16, 76, 200, 22},
    Button(kIdOk, "中断", 236, 80, 88, kDefault),
    Button(kIdCancel, "ｷｬﾝｾﾙ", 140, 80, 88, kHidden),
};

constexpr std::array kTemplates{
    DialogTemplate{kDialogAbout, 320, 174, kAbout},
    DialogTemplate{kDialogLaunch, 340, 246, kLaunch},
    DialogTemplate{kDialogAlarm, 320, 186, kAlarm},
    DialogTemplate{kDialogPosition, 380, 328, kPosition},
    DialogTemplate{kDialogPlaylist, 420, 328, kPlaylist, true},
    DialogTemplate{kDialogPlaySettings, 400, 454, kPlaySettings},
    DialogTemplate{kDialogProgress, 340, 118, kProgress},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int id)
{
    const auto it = std::find_if(kTemplates.begin(), kTemplates.end(),
                                 [id](const DialogTemplate& t) { return t.id == id; });
    return it == kTemplates.end() ? nullptr : &*it;
}

QStringList InitialItems(const ControlTemplate& control)
{
    QStringList items;
    if (control.everyRow)
        items << QString::fromUtf8(control.everyRow);
    for (int n = control.first; n <= control.last; ++n)
        items << QString::number(n);
    return items;
}

} // namespace res
