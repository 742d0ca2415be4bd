// Text Options panel: special characters and colour swatches.
#include "shell.h"

void DrawTextPanel(Editor&) {}
void TextPanelClick(Editor&, int, int) {}
