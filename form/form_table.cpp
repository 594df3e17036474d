// The form of the main window and the messages, in both languages, in UTF-8.
#include "form/form_table.h"

#include <iterator>

#include "platform/platform_window.h"
#include "settings/settings_store.h"

namespace {

// The rows' styles, named: a control's window style, a painted row's text
// format.
constexpr std::int32_t Shown = PlatStyleChild | PlatStyleVisible;
constexpr std::int32_t Check = Shown | PlatButtonCheckBox | PlatButtonLeft;
constexpr std::int32_t Radio = Shown | PlatButtonRadio;
constexpr std::int32_t Group = Shown | PlatButtonGroupBox;
constexpr std::int32_t Edit = Shown | PlatStyleBorder | PlatEditAutoHScroll;
constexpr std::int32_t PathText = PlatTextPathEllipsis;
constexpr std::int32_t Wrapped = PlatTextWordBreak;

constexpr std::size_t MessageCount = 40;  // 20 messages in two languages

}  // namespace

#define EmptyRow {Empty, -1, -1, 0, 0, 0, 0, 0, nullptr, nullptr}

// clang-format off
constexpr FormRow FormTable[] = {
    // row    kind         index        aux style     left top  right bottom  labels: Japanese, English
    /*  0 */ {StaticLabel, -1,          -1, Shown,    10,  6,   400,  16,     "FLAC(ロスレス音響コーデック)形式の圧縮・復元", "Compression / restoration of FLAC format"},
    /*  1 */ {PushButton,  -1,          -1, Shown,    410, 5,   500,  17,     "English", "Japanese"},
    /*  2 */ {PushButton,  -1,          -1, Shown,    505, 5,   520,  17,     "#", "#"},
    /*  3 */ EmptyRow,
    /*  4 */ EmptyRow,
    /*  5 */ {GroupBox,    -1,          -1, Group,    10,  20,  520,  80,     "動作", "Operating"},
    /*  6 */ {RadioButton, Mode,        6,  Radio,    20,  35,  190,  47,     "圧縮と検証(ベリファイ)", "Compress and Verify"},
    /*  7 */ {RadioButton, Mode,        6,  Radio,    200, 35,  270,  47,     "復元", "Restore"},
    /*  8 */ EmptyRow,
    /*  9 */ EmptyRow,
    /* 10 */ EmptyRow,
    /* 11 */ {EditSlot,    LevelText,   -1, Edit,     20,  50,  35,   62,     nullptr, nullptr},
    /* 12 */ {StaticLabel, -1,          -1, Shown,    40,  50,  200,  62,     "圧縮レベル(1-8)", "Compression level (1-8)"},
    /* 13 */ {CheckBox,    Overwrite,   -1, Check,    20,  65,  400,  77,     "既存のファイルへの上書きを許可", "Allow overwriting if destination is exist."},
    /* 14 */ EmptyRow,
    /* 15 */ EmptyRow,
    /* 16 */ {GroupBox,    -1,          -1, Group,    10,  90,  520,  135,    "入力ファイル", "Input files"},
    /* 17 */ {PushButton,  InputSpec,   -1, Shown,    20,  105, 120,  117,    "ファイル選択", "File Select"},
    /* 18 */ {PaintSlot,   InputSpec,   -1, PathText, 130, 105, 510,  117,    nullptr, nullptr},
    /* 19 */ {CheckBox,    Recurse,     -1, Check,    20,  120, 400,  132,    "下位フォルダも探す。", "Search lower folders for source files."},
    /* 20 */ EmptyRow,
    /* 21 */ EmptyRow,
    /* 22 */ EmptyRow,
    /* 23 */ EmptyRow,
    /* 24 */ EmptyRow,
    /* 25 */ {GroupBox,    -1,          -1, Group,    10,  145, 520,  190,    "出力フォルダ", "Output Folder"},
    /* 26 */ {PushButton,  OutputSpec,  -1, Shown,    20,  160, 120,  172,    "フォルダ選択", "Folder Select"},
    /* 27 */ {PaintSlot,   OutputSpec,  -1, PathText, 130, 160, 510,  172,    nullptr, nullptr},
    /* 28 */ {CheckBox,    SameFolder,  -1, Check,    20,  175, 400,  187,    "入力と同じフォルダ", "Same as the input folder"},
    /* 29 */ EmptyRow,
    /* 30 */ EmptyRow,
    /* 31 */ EmptyRow,
    /* 32 */ EmptyRow,
    /* 33 */ EmptyRow,
    /* 34 */ EmptyRow,
    /* 35 */ EmptyRow,
    /* 36 */ {PushButton,  -1,          -1, Shown,    100, 210, 160,  222,    "実行", "Execute"},
    /* 37 */ {PushButton,  -1,          -1, Shown,    200, 210, 260,  222,    "終了", "Exit"},
    /* 38 */ {PushButton,  -1,          2,  Shown,    300, 210, 360,  222,    "中止", "Cancel"},
    /* 39 */ EmptyRow,
    /* 40 */ EmptyRow,
    /* 41 */ EmptyRow,
    /* 42 */ {GroupBox,    -1,          -1, Group,    10,  240, 520,  300,    "実行結果", "Result"},
    /* 43 */ {PaintSlot,   CurrentFile, -1, PathText, 15,  255, 510,  267,    nullptr, nullptr},
    /* 44 */ {PaintSlot,   ResultText,  -1, Wrapped,  15,  270, 510,  297,    nullptr, nullptr},
    /* 45 */ EmptyRow,
    /* 46 */ EmptyRow,
    /* 47 */ EmptyRow,
    /* 48 */ EmptyRow,
    /* 49 */ EmptyRow,
};
static_assert(std::size(FormTable) == FormRowCount, "one row for every control id");
// The rows the code names are what it takes them for.
static_assert(FormTable[ModeRowFirst].kind == RadioButton && FormTable[ModeRowLast].kind == RadioButton &&
              FormTable[ModeRowLast].aux == ModeRowFirst && FormTable[LevelRow].kind == EditSlot &&
              FormTable[SameFolderRow].kind == CheckBox && FormTable[CancelRow].kind == PushButton &&
              FormTable[ResultTextRow].kind == PaintSlot, "the named rows");

// Unused entries are empty texts, so that no lookup ever meets a null.
constexpr const char* MessageTable[] = {
    /*  0 */ "実行中は変更出来ません", "Can't change it while execution",
    /*  2 */ "本当に終了しますか？", "Really exit?",
    /*  4 */ "変換中です。中止を押し、処理中のファイルが終わるまでお待ちください",
    "Converting files: press Cancel and wait for the file in work to finish",
    /*  6 */ "", "",
    /*  8 */ "", "",
    /* 10 */ "", "",
    /* 12 */ "", "",
    /* 14 */ "", "",
    /* 16 */ "", "",
    /* 18 */ "", "",
    /* 20 */ "", "",
    /* 22 */ "", "",
    /* 24 */ "", "",
    /* 26 */ ".wavファイルのみ\n", "Only .wav files\n",
    /* 28 */ ".flacファイルのみ\n", "Only .flac files\n",
    /* 30 */ "フォルダが多すぎ", "Too many folders",
    /* 32 */ "対象ファイルがありません", "There is no file there",
    /* 34 */ "入力ファイルのパスが長すぎます\n", "Input path is too long\n",
    /* 36 */ "出力フォルダのパスが長すぎます\n", "Output folder path is too long\n",
    /* 38 */ "パスにダブルクォートが含まれています\n", "A path contains a double quote\n",
};
static_assert(std::size(MessageTable) == MessageCount, "every message in both languages");
// clang-format on
