#include "MciCodes.h"

namespace platform {

namespace {

struct ErrorText
{
    unsigned code;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {MCIERR_UNRECOGNIZED_KEYWORD, "不明なコマンド パラメータが指定されました。"},
    {MCIERR_UNRECOGNIZED_COMMAND, "ドライバは指定されたコマンドを認識できません。"},
    {MCIERR_HARDWARE, "メディア デバイスにハードウェア エラーがあります。"},
    {MCIERR_INVALID_DEVICE_NAME, "指定されたデバイスは開かれていないか、MCI で認識されません。"},
    {MCIERR_CANNOT_LOAD_DRIVER, "指定されたデバイス ドライバを読み込めません。"},
    {MCIERR_MISSING_COMMAND_STRING, "コマンドが指定されていません。"},
    {MCIERR_BAD_INTEGER, "コマンドの整数パラメータが無効です。"},
    {MCIERR_MISSING_PARAMETER, "指定されたコマンドにはパラメータが必要です。"},
    {MCIERR_UNSUPPORTED_FUNCTION, "MCI デバイスは、このコマンドをサポートしていません。"},
    {MCIERR_DEVICE_NOT_READY, "デバイスの準備ができていません。ディスクが入っているか確認してください。"},
    {MCIERR_OUTOFRANGE, "指定されたパラメータの値が範囲外です。"},
    {MCIERR_DUPLICATE_ALIAS, "指定されたエイリアスは既に使われています。"},
    {MCIERR_BAD_CONSTANT, "パラメータに不明な値が指定されました。"},
    {MCIERR_MISSING_DEVICE_NAME, "デバイス名が指定されていません。"},
    {MCIERR_BAD_TIME_FORMAT, "指定された時間形式は使えません。"},
    {MCIERR_NO_CLOSING_QUOTE, "閉じる二重引用符がありません。"},
};

} // namespace

bool mciGetErrorString(unsigned error, QString* text)
{
    for (const ErrorText& entry : kErrorTexts) {
        if (entry.code == error) {
            *text = QString::fromUtf8(entry.text);
            return true;
        }
    }
    *text = QStringLiteral("不明なエラー コードです (%1)。").arg(error);
    return false;
}

} // namespace platform
