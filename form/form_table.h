// The form as data: one row per control id, the bilingual messages, and the
// child window made for each row.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// The kinds of row the form has: painted text, or a control of a class.
enum RowKind : std::int32_t {
    Empty = -1,
    PaintSlot = 2,     // TextSlots[index], drawn with `style` as its format
    PushButton = 21,
    RadioButton = 22,
    CheckBox = 23,
    GroupBox = 24,
    StaticLabel = 31,
    EditSlot = 41,     // an edit box of TextSlots[index]
};

// The row number is the control id, the command id and the index into
// ControlHandles. `aux`: first row of a radio group; 2 for a control made
// disabled. `style`: window style of a control, or text format of a
// painted row. The rectangle is in tenths of a layout cell.
struct FormRow {
    std::int32_t kind;
    std::int32_t index;
    std::int32_t aux;
    std::int32_t style;
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
    const char* labelJapanese;
    const char* labelEnglish;
};

constexpr int FormRowCount = 50;

// Rows the code names; all others are reached through the table alone.
enum FormRowId : int {
    LanguageRow = 1,
    DefaultSizeRow = 2,
    ModeRowFirst = 6,  // compress; the radio pair's first row
    ModeRowLast = 7,   // restore
    LevelRow = 11,
    OverwriteRow = 13,
    FileSelectRow = 17,
    RecurseRow = 19,
    FolderSelectRow = 26,
    SameFolderRow = 28,
    ExecuteRow = 36,
    ExitRow = 37,
    CancelRow = 38,
    CurrentFileRow = 43,
    ResultTextRow = 44,
};

// Messages: n is the Japanese text, n + 1 the English one.
enum MessageId : int {
    ChangeRefusedMessage = 0,
    ReallyExitMessage = 2,
    SessionEndWaitMessage = 4,
    OnlyWavMessage = 26,
    OnlyFlacMessage = 28,
    TooManyFoldersMessage = 30,
    NoFileMessage = 32,
    InputTooLongMessage = 34,
    OutputTooLongMessage = 36,
    QuoteInPathMessage = 38,
};

// Defined without a bound, so that their own file can check the rows they
// really have against the counts.
extern const FormRow FormTable[];
extern const char* const MessageTable[];
extern PlatWindow ControlHandles[FormRowCount];

// The label of a row, or of a message, in the current Language.
const char* RowLabel(int row);
const char* MessageText(int message);
