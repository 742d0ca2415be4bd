// Box Options panel: icon, sound, position and type of the current box.
#include "shell.h"

void DrawBoxPanel(Editor&) {}
void BoxPanelClick(Editor&, int, int) {}
