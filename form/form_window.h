// The live form: the layout cell, the controls made from FormTable and the
// painted rows.
#pragma once

#include <cstdint>

#include "platform/platform_window.h"

// The layout cell in pixels, measured once when the window is made.
extern std::int32_t CharWidth;
extern std::int32_t LineHeight;
// The form's scroll offsets in whole cells, 0 or negative. Only the
// scrolling code of the main window writes them.
extern std::int32_t ScrollCol;
extern std::int32_t ScrollRow;

void MeasureLayoutUnits(PlatWindow window);
// One control per row of a control kind, with its state and label.
void CreateForm(PlatWindow window, std::intptr_t creationData);
void RelabelForm();
void PaintForm(PlatWindow window);
// Marks the rows of the job's texts for repaint: a whole repaint for every
// status line would redraw every control as well.
void RepaintJobTexts(PlatWindow window);
// The text of every edit box into its slot.
void CopyEditTexts();
// Folder Select is enabled only while the output does not go to the
// input's own folder.
void ShowFolderSelectState();
