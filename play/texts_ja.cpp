// The Japanese table: every TextId's words. The network protocol's version 1 sends some of
// them as they stand (see texts.h), so a change here changes what its peers read.
#include "play/texts.h"

namespace korvel {

const char* JapaneseText(TextId id) {
  using enum TextId;
  switch (id) {
    case NONE: return "";

    case TEAM_FIRST: return "先手組み";
    case TEAM_SECOND: return "後手組み";
    case PROMPT_SITA: return "下の番です";
    case PROMPT_HIDARI: return "左の番です";
    case PROMPT_UE: return "上の番です";
    case PROMPT_MIGI: return "右の番です";

    case TITLE_START: return "開始";
    case TITLE_END: return "終了";
    case TITLE_AGAIN: return "再ゲーム";
    case TITLE_RESUME: return "再開";
    case TITLE_BACK: return "戻る";
    case TITLE_FORWARD: return "進む";
    case TITLE_MATTA: return "待った";
    case TITLE_RECORD: return "棋譜";
    case TITLE_TURN: return "手番";
    case TITLE_FORBIDDEN: return "禁手";
    case TITLE_PROMOTE: return "成り";
    case TITLE_MATE: return "詰め ?";
    case TITLE_HANDOVER: return "交代";
    case CHECK: return "王手です";
    case CHECK_SEAT: return "王手です {1}";
    case MATE: return "よし！!";
    case THINKING: return "思考中";
    case THINKING_TIME: return "{1}秒";
    case START_FROM_MENU: return "「対局」で始めて下さい";
    case WINS: return "{1}の勝ちです";
    case KING_TAKEN_END: return "終局です";
    case REPETITION_END: return "千日手です";
    case CONTINUE: return "続けますか？";
    case OK_TO_RESUME: return "OKですか？";
    case CANNOT: return "できません";

    case NOT_STARTED: return "まだ始まっていません";
    case GAME_IS_OVER: return "対局は終わっています";
    case WRONG_TURN: return "手番が違います";
    case PARTNER_CHECK: return "味方に王手はできません";
    case RIGHT_BUTTON_PROMOTES: return "マウスの右をクリックして下さい";
    case CANNOT_PLAY: return "指せない手です";

    case NO_GAME_STARTED: return "対局が始まっていません";
    case CANNOT_SAVE: return "保存できません: {1}";
    case NO_LAST_GAME: return "前回の続きはありません";
    case FILE_MISSING: return "ファイルがありません";
    case FILE_NOT_REGULAR: return "通常のファイルではありません";
    case FILE_UNREADABLE: return "ファイルを読めません";
    case FILE_TOO_LARGE: return "ファイルが大きすぎます（1 MB まで）";
    case FILE_UNWRITABLE: return "書き込めません";

    case SOUND_TITLE: return "Korvel4人将棋.dll";
    case SOUND_NO_DEVICE: return "音の装置を開けませんでした。音なしで続けます。";
    case SOUND_PATH_ERROR: return "パス/ファイル アクセス エラーです。";
    case SOUND_NOT_WAVE: return "「{1}」は正しいウェーブ ファイルではありません。";
    case SOUND_BAD_INDEX: return "インデックスが有効範囲にありません。";

    case RECORD_AT_LINE: return "{1}行目: {2}";
    case RECORD_TOO_LARGE: return "ファイルが大きすぎます（1 MB まで）";
    case RECORD_NOT_UTF8: return "UTF-8 の文章ではありません";
    case RECORD_TRAILING_SPACE: return "後ろに空白があります（「{1}」だけを書きます）";
    case RECORD_OTHER_VERSION: return "この版の棋譜は読めません";
    case RECORD_NOT_A_RECORD: return "棋譜のファイルではありません";
    case RECORD_UNREADABLE_LINE: return "読めない行です";
    case RECORD_BAD_MODE: return "対局の種類が読めません";
    case RECORD_BAD_PLAYER_KIND: return "指し手の種類（人 か COM）が読めません";
    case RECORD_BAD_LEVEL: return "レベルは 1 から 4 です";
    case RECORD_BAD_RESULT: return "結果が読めません";
    case RECORD_BAD_CURRENT: return "現在の手数が読めません";
    case RECORD_TOO_MANY_ROWS: return "盤の段が多すぎます";
    case RECORD_ROW_CELLS: return "盤の段には 9 つの升を書きます";
    case RECORD_BAD_CELL: return "升が読めません: {1}";
    case RECORD_BAD_HAND: return "持駒が読めません";
    case RECORD_BAD_HAND_AT: return "持駒が読めません: {1}";
    case RECORD_BAD_TURN: return "手番が読めません";
    case RECORD_BAD_TURN_AT: return "手番が読めません: {1}";
    case RECORD_BAD_START_NUMBER: return "開始手数が読めません";
    case RECORD_UNKNOWN_KEY: return "知らない見出しです: {1}";
    case RECORD_NO_MODE: return "対局の種類がありません";
    case RECORD_NO_PLAYER_KIND: return "{1}の指し手の種類がありません";
    case RECORD_BOARD_ROWS: return "盤は 9 段書きます";
    case RECORD_TWO_KINGS: return "{1}の王が二つあります";
    case RECORD_KEY_AFTER_MOVES: return "指し手の後に見出しは書けません";
    case RECORD_MOVE_LINE: return "指し手の行は「手数 手番 指し手」です";
    case RECORD_WRONG_NUMBER: return "手数が違います（{1} のはず）";
    case RECORD_REFUSED_TURN: return "{1}（{2}の番）";
    case RECORD_CANNOT_PASS: return "パスはできません（{1}には指せる手があります）";
    case RECORD_REFUSED_MOVE: return "{1}: {2}";
    case RECORD_KING_TAKEN: return "王を取った対局です";
    case RECORD_CURRENT_OUTSIDE: return "現在の手数が指し手の外です";
    case MOVE_BAD_COLUMN: return "指し手が読めません（筋）";
    case MOVE_BAD_ROW: return "指し手が読めません（段）";
    case MOVE_BAD_ORIGIN: return "指し手が読めません（元の位置）";
    case MOVE_NO_PIECE: return "元の位置に駒がありません";
    case MOVE_WRONG_PIECE: return "駒の名前が盤と合いません";

    case WINDOW_TITLE: return "Korvel 四人将棋 (ﾀﾞﾌﾞﾙｽ)";
    case YOU_WIN: return "あなたの勝ちです";
    case YOU_LOSE: return "あなたの負けです";
    case SEAT_SELF: return "自分";
    case SEAT_PARTNER: return "味方";
    case SEAT_OPPONENT: return "敵";

    case ROOM_CLOSED: return "この部屋は閉じられました";
    case SEAT_COMPUTER: return "その席はコンピュータが指します";
    case SEAT_TAKEN: return "その席はふさがっています";
    case BAD_TOKEN: return "その席に戻る証明が違います";
    case CAME_BACK: return "{1}さんが戻りました";
    case PERSON: return "{1}さん";
    case PERSON_HOST: return "{1}さん（主催者）";
    case CONNECTION_LOST: return "{1}の接続が切れました。戻るのを待っています";
    case HOST_ONLY: return "主催者だけができます";
    case IN_PLAY: return "対局中です";
    case SEATS_MISSING: return "席がそろっていません";
    case HOST_ENDED: return "主催者が対局を終えました";
    case SEAT_PRESENT: return "その席の人はいます";
    case STILL_WAITING: return "まだ待っています";
    case WAIT_SECONDS: return "{1}秒待ってから交代できます";
    case COMPUTER_TAKES_OVER: return "{1} コンピュータが代わりに指します";
    case WAIT_FOR_NEWEST: return "最新の手を待って下さい";
    case GAME_ENDED: return "この対局は終わりました";
    case NOT_OWN_PIECE: return "自分の駒ではありません";
    case CANNOT_PROMOTE: return "成れません";
    case MUST_PROMOTE: return "成らなければなりません";
    case CANNOT_MOVE: return "動かせません";

    case MENU_TAIKYOKU: return "対局";
    case MENU_ZENKAI: return "前回の続き";
    case MENU_TAIKYOKU_SYURUI: return "対局";
    case MENU_PLAY_1: return "1_PLAY";
    case MENU_JYUNBAN_1: return "１番目";
    case MENU_JYUNBAN_2: return "2番目";
    case MENU_JYUNBAN_3: return "3番目";
    case MENU_JYUNBAN_4: return "4番目";
    case MENU_PLAY_2: return "2_PLAY";
    case MENU_PLAY_TOIMEN: return "対面";
    case MENU_PLAY_TONARI: return "隣面";
    case MENU_PLAY_4: return "4_PLAY";
    case MENU_LEVEL: return "COM対局ﾚﾍﾞﾙ";
    case MENU_LEVEL1: return "LEVEL1";
    case MENU_LEVEL2: return "LEVEL2";
    case MENU_LEVEL3: return "LEVEL3";
    case MENU_LEVEL4: return "LEVEL4";
    case MENU_OWARI: return "終わり";
    case MENU_NET_GAME: return "ネット対局...";
    case MENU_NET_LEAVE: return "ネット対局を終える";
    case MENU_STOP: return "局面";
    case MENU_CANCEL: return "最初";
    case MENU_KAITEN: return "回転";
    case MENU_REPLAY: return "戻";
    case MENU_AFTER: return "進";
    case MENU_MATTA: return "待った";
    case MENU_KIFU_OPEN: return "棋譜を開く...";
    case MENU_KIFU_SAVE: return "棋譜を保存...";
    case MENU_KIFU_WINDOW: return "棋譜ウィンドウ";
    case MENU_OPTION: return "ｵﾌﾟｼｮﾝ";
    case MENU_SIDOU: return "移動指導";
    case MENU_AICON: return "ｱｲｺﾝ表示";
    case MENU_HAIKEI_GA: return "背景画";
    case MENU_MIDORI: return "緑";
    case MENU_TATAMI: return "畳";
    case MENU_TAKE: return "竹";
    case MENU_UCHU: return "宇宙";
    case MENU_RENGA: return "煉瓦";
    case MENU_BGM: return "BGM";
    case MENU_OSHIRASE: return "お知らせを盤上に表示";
    case MENU_IROWAKE: return "駒の色分け";
    case MENU_SAISYUTE: return "最終手表示";
    case MENU_SONOTA: return "その他";
    case MENU_KAISETU: return "解説";
    case MENU_VER: return "バージョン情報";
    case MENU_NEW_GAME: return "新しい対局";
    case MENU_MOVE_NOW: return "今すぐ指す";
    case TITLE_NET_GAME: return "ネット対局";
    case END_WHILE_HOSTING:
      return "この窓で部屋を開いています。終わると部屋が閉じ、ネット対局も終わります。終わりますか？";
    case HOST_DURING_GAME:
      return "対局の途中です。部屋を作りますか？（今の対局はそのまま残り、ネット対局を終えると戻ります）";

    case HOST_PASSED: return "{1}さんが主催者になりました";
    case LENGTH_END: return "手数が上限に達しました。引き分けです";
    case REVIEW_GAME: return "棋譜を見る";
    case FILE_NAMED: return "{1}: {2}";

    case MENU_LANGUAGE: return "言語 / Language";
    case MENU_LANG_JA: return "日本語";
    case MENU_LANG_EN: return "English";
    case FILE_DIALOG_OPEN: return "棋譜を開く";
    case FILE_DIALOG_SAVE: return "棋譜を保存";
    case FILE_FILTER_RECORDS: return "棋譜 (*.{1})";
    case FILE_FILTER_ALL: return "すべてのファイル (*)";
    case MOVE_LIST_TITLE: return "棋譜";
    case MOVE_LIST_START: return "開始局面";
    case ABOUT_TITLE: return "バージョン情報";
    case ABOUT_HOME_PAGE: return "ホームページ";
    case ABOUT_OK: return "O K";
    case HELP_TITLE: return "解説";
    case HELP_NOT_OPENED: return "解説のページを開けませんでした。\nブラウザで次のファイルを開いて下さい:\n{1}";
    case NOTICE_TITLED: return "{1}：{2}";
    case MOVE_NUMBER_WORD: return "手目";
    case SEAT_WORD_SITA: return "下";
    case SEAT_WORD_HIDARI: return "左";
    case SEAT_WORD_UE: return "上";
    case SEAT_WORD_MIGI: return "右";
    case NET_TITLE: return "ネット対局";
    case NET_OWN_MARK: return "{1}（自分）";
    case NET_COMPUTER: return "コンピュータ";
    case NET_EMPTY_SEAT: return "（空席）";
    case NET_WAITING_SEAT: return "（待っています）";
    case NET_RECORD_NOT_SAVED: return "\n棋譜を保存できませんでした: {1}";
    case NET_RECORD_SAVED:
      return "\n棋譜を保存しました: {1}\n（ネット対局を終えてから 局面 → 棋譜を開く... で続けられます）";
    case NET_HOST_STOPPED: return "主催者が対局をやめました。ここまでの対局は残ります";
    case NET_STATUS_ROOM: return "ネット対局 部屋 {1}";
    case NET_STATUS_NOT_CONNECTED: return "  主催者とつながっていません";
    case NET_STATUS_WAITING: return "  開始を待っています";
    case NET_STATUS_OVER: return "  終局";
    case NET_STATUS_TURN: return "  {1}の番 ({2})";
    case NET_HANDOVER_ASK: return "{1}さんが戻りません。コンピュータに任せますか？";
    case NET_NOT_CONNECTED: return "つながりませんでした";
    case NET_HOST_LOST: return "主催者との接続が切れました。ここまでの対局は残ります";
    case NET_RECONNECTING: return "接続が切れました。つなぎ直しています";
    case NET_CONNECTION_CUT: return "接続が切れました";
    case NET_DEFAULT_HOST_NAME: return "主催者";
    case NET_DEFAULT_GUEST_NAME: return "参加者";
    case NET_NAME: return "名前";
    case NET_PORT: return "ポート";
    case NET_OWN_SEAT: return "自分の席";
    case NET_PEOPLE_SEATS: return "人の席（他はコンピュータ）";
    case NET_LEVEL: return "レベル{1}";
    case NET_OPEN_ROOM: return "部屋を作る";
    case NET_START: return "開始";
    case NET_JOIN: return "参加する";
    case NET_ADDRESS: return "アドレス";
    case NET_ROOM_CODE: return "部屋番号";
    case NET_SEAT: return "席";
    case NET_SEATED: return "席に着きました";
    case NET_JOINED_WAITING: return "参加しました。開始を待っています";
    case NET_GO_BACK: return "席に戻る";
    case NET_CAN_GO_BACK: return "部屋 {1} の{2}の席に戻れます。ここまでの対局も届きます";
    case NET_ENTER_NAME: return "名前を入れて下さい";
    case NET_CANNOT_OPEN: return "部屋を作れません: {1}";
    case NET_ENTER_ADDRESS: return "アドレスを入れて下さい";
    case NET_BAD_CODE: return "部屋番号は英大文字と数字の6～16文字です";
    case NET_CONNECTING: return "つないでいます...";
    case NET_ROOM_INFO: return "部屋番号 {1}\nアドレス {2}  ポート {3}\n（参加する人に伝えて下さい）";
    case NET_SEAT_LINE: return "{1}: {2}";
    case PIECE_HU: return "歩";
    case PIECE_TO: return "と";
    case PIECE_GIN: return "銀";
    case PIECE_GINNARI: return "銀成";
    case PIECE_KIN: return "金";
    case PIECE_SYA: return "飛";
    case PIECE_SYANARI: return "飛成";
    case PIECE_OU: return "王";

    case MENU_TIME_CONTROL: return "持ち時間...";
    case TIME_UP_WINS: return "{1}の時間切れです　{2}の勝ちです";
    case CLOCK_BYOYOMI: return "{1}秒";
    case TIME_DIALOG_TITLE: return "持ち時間";
    case TIME_DIALOG_USE: return "持ち時間を使う";
    case TIME_DIALOG_SEAT: return "席";
    case TIME_DIALOG_MAIN: return "持ち時間（分）";
    case TIME_DIALOG_BYOYOMI: return "秒読み（秒）";
    case TIME_DIALOG_NOTE: return "次に始める対局から使われます。時間が切れた席の組が負けです。";

    case COUNT: break;
  }
  return "";
}

}  // namespace korvel
