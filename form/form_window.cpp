#include "form/form_window.h"

#include "form/form_table.h"
#include "settings/settings_store.h"
#include "settings/text_util.h"

std::int32_t CharWidth;
std::int32_t LineHeight;
std::int32_t ScrollCol;
std::int32_t ScrollRow;

namespace {

constexpr std::uint32_t FixedPitchBit = 1;  // set for variable-pitch fonts
constexpr std::int32_t DisabledAtStart = 2;

const char* ControlClass(std::int32_t kind) {
    switch (kind) {
    case PushButton:
    case RadioButton:
    case CheckBox:
    case GroupBox:
        return "button";
    case StaticLabel:
        return "static";
    case EditSlot:
        return "edit";
    default:
        return nullptr;
    }
}

bool IsLabelled(std::int32_t kind) {
    return kind == PushButton || kind == RadioButton || kind == CheckBox || kind == GroupBox ||
           kind == StaticLabel;
}

// A row rectangle in tenths of a cell to client pixels, scroll included.
PlatRect MapFormRect(const PlatRect& tenths) {
    return PlatRect{(tenths.left * CharWidth) / 10 + ScrollCol * CharWidth,
                    (tenths.top * LineHeight) / 10 + ScrollRow * LineHeight,
                    (tenths.right * CharWidth) / 10 + ScrollCol * CharWidth,
                    (tenths.bottom * LineHeight) / 10 + ScrollRow * LineHeight};
}

PlatRect RowRect(const FormRow& row) { return PlatRect{row.left, row.top, row.right, row.bottom}; }

// The initial state of a control: its check mark or its text.
void GiveInitialState(int rowNumber, const FormRow& row, PlatWindow control) {
    switch (row.kind) {
    case RadioButton:
        if (IntSettings[row.index] == rowNumber - row.aux) PlatSetCheck(control, true);
        break;
    case CheckBox:
        if (IntSettings[row.index] != 0) PlatSetCheck(control, true);
        break;
    case EditSlot:
        PlatSetText(control, TextSlots[row.index]);
        break;
    default:
        break;
    }
}

}  // namespace

void MeasureLayoutUnits(PlatWindow window) {
    PlatTextMetrics metrics;
    PlatMeasureText(window, &metrics);
    CharWidth = metrics.averageCharWidth;
    if ((metrics.pitchAndFamily & FixedPitchBit) != 0) CharWidth = (metrics.averageCharWidth * 3) / 2;
    LineHeight = metrics.height + metrics.externalLeading;
}

void CreateForm(PlatWindow window, std::intptr_t creationData) {
    PlatInstance instance = PlatCreationInstance(creationData);
    for (int r = 0; r < FormRowCount; ++r) {
        const FormRow& row = FormTable[r];
        const char* className = ControlClass(row.kind);
        if (className == nullptr) continue;
        PlatRect edges = MapFormRect(RowRect(row));
        PlatWindow control =
            PlatCreateControl(window, instance, className, static_cast<std::uint32_t>(row.style), edges.left,
                              edges.top, edges.right - edges.left, edges.bottom - edges.top, r);
        ControlHandles[r] = control;
        if (control == nullptr) continue;
        GiveInitialState(r, row, control);
        if (row.kind != RadioButton && row.aux == DisabledAtStart) PlatEnableWindow(control, false);
    }
    ShowFolderSelectState();
    RelabelForm();
}

void ShowFolderSelectState() {
    // The output folder is only chosen when it is not the input's own.
    PlatEnableWindow(ControlHandles[FolderSelectRow], IntSettings[SameFolder] == 0);
}

void RelabelForm() {
    for (int r = 0; r < FormRowCount; ++r)
        if (IsLabelled(FormTable[r].kind) && ControlHandles[r] != nullptr && RowLabel(r) != nullptr)
            PlatSetText(ControlHandles[r], RowLabel(r));
}

void RepaintJobTexts(PlatWindow window) {
    const FormRow& file = FormTable[CurrentFileRow];
    const FormRow& result = FormTable[ResultTextRow];
    PlatInvalidateRect(window, MapFormRect(PlatRect{file.left, file.top, result.right, result.bottom}));
}

void PaintForm(PlatWindow window) {
    // The job's texts are copied whole under their lock, never read while
    // the job thread rewrites them.
    static char jobText[TextSlotSize];
    PlatPaint paint = PlatBeginPaint(window);
    for (int r = 0; r < FormRowCount; ++r) {
        const FormRow& row = FormTable[r];
        if (row.kind != PaintSlot) continue;
        PlatRect edges = MapFormRect(RowRect(row));
        // Scrolling moves rows only left and up. One partly in view is drawn
        // and clipped, as the controls are; one wholly out of view is left out.
        if (edges.right <= 0 || edges.bottom <= 0) continue;
        const char* text = TextSlots[row.index];
        if (row.index == CurrentFile || row.index == ResultText) {
            ReadSlotText(row.index, jobText, sizeof jobText);
            text = jobText;
        }
        PlatDrawText(paint, text, edges, static_cast<std::uint32_t>(row.style));
    }
    PlatEndPaint(window, paint);
}

void CopyEditTexts() {
    for (int r = 0; r < FormRowCount; ++r)
        if (FormTable[r].kind == EditSlot)
            PlatGetText(ControlHandles[r], TextSlots[FormTable[r].index], TextSlotSize);
}
