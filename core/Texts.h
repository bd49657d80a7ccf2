#pragma once
// Every text the program shows that is not a caption of its form, in UTF-8,
// so that both editions say exactly the same.
#include <string_view>

namespace mizel::texts {

inline constexpr std::string_view applicationTitle = "Mizel４";

// Run
inline constexpr std::string_view tooMany = "乱数の発生数が乱数の最大値を超えています！！";
inline constexpr std::string_view minAboveMax = "乱数の最小値が乱数の最大値を超えています！！";
inline constexpr std::string_view working = "ただいま作成しています。しばらくお待ち下さい。";
// "生成終了　生成時間:" elapsed milliseconds "ミリ秒"
inline constexpr std::string_view finishedBefore = "生成終了　生成時間:";
inline constexpr std::string_view finishedAfter = "ミリ秒";

// Long work, from 0.3 s on: what is being done, then the share done, the time
// left once it can be told, and how to stop it.
inline constexpr std::string_view runProgress = "作成中";
inline constexpr std::string_view copyProgress = "コピー中";
inline constexpr std::string_view saveProgress = "保存中";
// "残り約" seconds "秒", or minutes "分" from two minutes on
inline constexpr std::string_view timeLeftBefore = "残り約";
inline constexpr std::string_view seconds = "秒";
inline constexpr std::string_view minutes = "分";
inline constexpr std::string_view stopHint = "Escで中止";
// Work stopped by Escape or by closing the window.
inline constexpr std::string_view runStopped = "作成を中止しました";
inline constexpr std::string_view copyStopped = "コピーを中止しました";
inline constexpr std::string_view saveStopped = "保存を中止しました";

// Copy and Save
inline constexpr std::string_view copied = "クリップボードにコピーしました";
// The clipboard held open by another program.
inline constexpr std::string_view clipboardNotOpened = "クリップボードを開くことができません";
inline constexpr std::string_view saved = "ファイルに保存しました";
inline constexpr std::string_view notSaved = "ファイルに保存できませんでした";

// The save dialog's file types, numbered from 1 in this order: the name shown
// and the patterns it stands for. Only type 2 is CSV.
struct SaveFileType
{
    std::string_view name;
    std::string_view patterns;
};
inline constexpr SaveFileType saveFileTypes[] = {
    {"テキストファイル(*.txt)", "*.txt"},
    {"カンマ区切りCSVファイル(*.csv)", "*.csv"},
    {"全てのファイル", "*"},
};
inline constexpr std::string_view defaultSuffix = "txt";

// The error display's own texts, for errors that carry none.
inline constexpr std::string_view outOfMemory = "メモリが不足しています";
inline constexpr std::string_view unknownError = "不明なエラーが発生しました";

// The grid's header cell.
inline constexpr std::string_view gridHeader = "乱数";

} // namespace mizel::texts
