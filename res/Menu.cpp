#include "Menu.h"

#include <array>

namespace res {
namespace {

using E = MenuEntry;

constexpr E Command(int id, const char* text)
{
    return E{E::kCommand, id, text};
}
constexpr E Popup(const char* text)
{
    return E{E::kPopup, 0, text};
}
constexpr E kSeparator{E::kSeparator, 0, ""};
constexpr E kEnd{E::kEnd, 0, ""};

// The run-time submenus keep a placeholder until they are filled: "_" or, for the
// subpicture streams, the "OFF" entry that stays first.
constexpr std::array kContextMenu{
    Command(32771, "ｽﾄｯﾌﾟｳｫｯﾁ開始(&B)"),
    Command(32772, "ｽﾄｯﾌﾟｳｫｯﾁ終了(&E)"),
    Command(32773, "ｽﾄｯﾌﾟｳｫｯﾁ解除(&R)"),
    Command(32775, "ｽﾄｯﾌﾟｳｫｯﾁ設定(&N)..."),
    Command(32774, "ﾀｲﾏｰ(&T)..."),
    kSeparator,
    Command(32784, "ｴｼﾞｪｸﾄ(&E)\tDelete/2"),
    Command(34955, "ﾏｲ ﾐｭｰｼﾞｮｯｸ(&M)\t0"),
    Command(32785, "開く(&O)...\tInsert/3"),
    kSeparator,
    Command(32789, "開始ﾄﾗｯｸ(&B)\tHome"),
    Command(32787, "前のﾄﾗｯｸ(&R)\tPageUp"),
    Command(32788, "次のﾄﾗｯｸ(&N)\tPageDown"),
    Command(32790, "最終ﾄﾗｯｸ(&E)\tEnd"),
    Popup("ｼﾞｬﾝﾌﾟ(&J)"), // position 14
    Command(32940, "_"),
    kEnd,
    kSeparator,
    Command(32813, "再生(&P)\t4"),
    Command(32783, "一時停止(&A)\t5"),
    Command(32781, "停止(&S)\t6"),
    Command(32786, "閉じる(&C)\t7"),
    Command(34956, "ﾌﾟﾚｲﾘｽﾄ(&L)\t-"),
    Command(32812, "再生設定(&D)..."),
    kSeparator,
    Command(32791, "巻き戻し(&R)\tLeft"),
    Command(32792, "早送り(&F)\tRight"),
    Command(32798, "DVDﾙｰﾄﾒﾆｭｰ(&R)\t/"),
    Popup("ｻﾌﾞﾒﾆｭｰ(&M)"), // position 26
    Command(32799, "DVDﾁｬﾌﾟﾀｰｻﾌﾞﾒﾆｭｰ(&C)\t*"),
    Command(32800, "DVDｻﾌﾞﾋﾟｸﾁｬｰｻﾌﾞﾒﾆｭｰ(&S)"),
    Command(32801, "DVDｵｰﾃﾞｨｵｻﾌﾞﾒﾆｭｰ(&A)"),
    Command(32802, "DVDｱﾝｸﾞﾙｻﾌﾞﾒﾆｭｰ(&N)"),
    Command(32803, "DVDﾀｲﾄﾙﾒﾆｭｰ(&M)\tT"),
    kEnd,
    kSeparator,
    Popup("DVDﾃﾞｺｰﾄﾞ(&D)"), // position 28
    Command(32881, "ﾊｰﾄﾞｳｪｱ最大"),
    Command(32882, "ﾊｰﾄﾞｳｪｱのみ"),
    Command(32883, "ｿﾌﾄｳｪｱ最大"),
    Command(32884, "ｿﾌﾄｳｪｱのみ"),
    kSeparator,
    Command(32885, "TV出力(NOVPE)"),
    Command(32811, "ｸﾛｰｽﾞﾄﾞｷｬﾌﾟｼｮﾝ"),
    kEnd,
    Popup("ｻﾌﾞﾋﾟｸﾁｬｰ(&U)"), // position 29
    Command(32886, "OFF"),
    kEnd,
    Popup("ｵｰﾃﾞｨｵ(&O)"), // position 30
    Command(32919, "_"),
    kEnd,
    Popup("ｱﾝｸﾞﾙ(&G)"), // position 31
    Command(34941, "_"),
    kEnd,
    Command(32804, "ﾌﾙｽｸﾘｰﾝ(&F)\t9"),
    Popup("ﾌﾟﾛﾊﾟﾃｨ(&Y)"), // position 33
    Command(32928, "_"),
    kEnd,
    kSeparator,
    Command(32776, "座標設定(&I)..."),
    kSeparator,
    Command(32777, "使用方法(&M)"),
    Command(32778, "変更歴(&H)"),
    Command(32779, "ｽｷﾝ定義内容(&K)"),
    Command(57664, "ﾊﾞｰｼﾞｮﾝ情報(&V)..."),
    kSeparator,
    Command(57602, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)\t1"),
};

} // namespace

std::span<const MenuEntry> LoadMenu(int id)
{
    if (id == kMenuContext)
        return kContextMenu;
    return {};
}

} // namespace res
