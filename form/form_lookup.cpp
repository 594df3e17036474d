#include "form/form_table.h"
#include "settings/settings_store.h"

PlatWindow ControlHandles[FormRowCount];

const char* RowLabel(int row) {
    const FormRow& entry = FormTable[row];
    return IntSettings[Language] == 0 ? entry.labelJapanese : entry.labelEnglish;
}

const char* MessageText(int message) { return MessageTable[message + IntSettings[Language]]; }
