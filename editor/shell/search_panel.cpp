// Search panel: the search field, the Search! button and the result list.
#include "shell.h"

void DrawSearchPanel(Editor&) {}
void PressSearchField(Editor&) {}
void SearchFieldKey(Editor&, SDLKey, uint16_t) {}
void SearchPanelClick(Editor& editor, int, int) { editor.Shell.OpenPanel = PANEL_SEARCH; }
