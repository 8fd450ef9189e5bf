#pragma once
// The program's own texts: captions, messages and error texts, in one place.
// All are UTF-8; "%1" marks where a value goes (QString::arg).

namespace Texts {

inline constexpr char AppCaption[] = "ペルモラ";

// Notices and warnings
inline constexpr char SelectFolder[] = "フォルダを選択してください。";
inline constexpr char MisCopyNotice[] = "コピーミスが有ります。\nMisCopy.txtに書き出しました。";
inline constexpr char WarningCaption[] = "警告";
inline constexpr char NameTakenSuffix[] = " は設定済みです。";
inline constexpr char WarningYes[] = "はい(&Y)";
inline constexpr char Cancel[] = "キャンセル";
inline constexpr char Ok[] = "OK";
inline constexpr char HelpFileMissing[] = "ヘルプファイル %1 が見つかりません。";
inline constexpr char HelpFileNotOpened[] = "ヘルプファイル %1 を開けませんでした。";

// Errors that end a command (shown by the error box)
inline constexpr char ListIndexError[] = "リストのインデックスが範囲を超えています (%1)";
inline constexpr char FileCreateError[] = "ファイル %1 を作成できません";
inline constexpr char FileOpenError[] = "ファイル %1 は開けません";
inline constexpr char StreamReadError[] = "ストリームからの読み込みエラー";
inline constexpr char StreamWriteError[] = "ストリームへの書き込みエラー";
inline constexpr char InvalidBitmap[] = "ビットマップイメージが不正です";
inline constexpr char JpegError[] = "JPEG エラー #%1";
// Pictures refused before they are decoded: too large to hold, unknown kind
inline constexpr char PictureTooLarge[] = "画像が大きすぎて表示できません (%1 × %2)";
inline constexpr char PictureFileTooLarge[] = "ファイル %1 は大きすぎて表示できません";
inline constexpr char UnknownPictureExt[] = "不明な画像ファイル拡張子 (%1)";

// Hints
inline constexpr char HintAdd[] = "データファイルリストに追加します";
inline constexpr char HintSourceFolder[] = "ソースフォルダを指定します";
inline constexpr char HintNewFolder[] = "新しいフォルダを作成します";
inline constexpr char HintRename[] = "フォルダの名前を変更します";
inline constexpr char HintExit[] = "ペルモラを終了します";
inline constexpr char HintMoveBase[] = "ベースフォルダを移動します";

// Folder chooser
inline constexpr char ChooseFolderCaption[] = "ディレクトリの選択";

// Theme folder names: a name that would leave the base folder
inline constexpr char NameNotUsableSuffix[] = " はフォルダ名に使えません。";

} // namespace Texts
