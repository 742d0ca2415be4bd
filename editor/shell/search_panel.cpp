// Search panel: the search field, the Search! button and the result list.
#include "shell.h"
#include "encoding.h"

#include <cstdio>
#include <cstring>

// ---- Layout ---------------------------------------------------------------------------------
const int SEARCH_TITLE_X = 450, SEARCH_TITLE_Y = 16;
const int SEARCH_COUNTER_X = 416, SEARCH_COUNTER_Y = 40;
const int SEARCH_TEXT_X = 526, SEARCH_TEXT_Y = 40;
const int SEARCH_BUTTON_X = 456, SEARCH_BUTTON_Y = 64;
// Hit area of the " Search!" text (its blank and colour code come before the visible word).
const int SEARCH_BUTTON_LEFT = 462, SEARCH_BUTTON_RIGHT = 512;
const int SEARCH_BUTTON_TOP = 64, SEARCH_BUTTON_BOTTOM = 78;

// Result entries: rows of eight, each 45 wide and 24 high. Four digits draw up to 36 pixels
// wide, so the hit box of an entry (39 x 17) takes in its last digit; it still leaves a gap of
// six pixels before the next entry.
const int RESULT_LEFT = 416, RESULT_TOP = 88;
const int RESULT_STEP_X = 45, RESULT_STEP_Y = 24;
const int RESULTS_PER_ROW = 8;
const int RESULT_HIT_WIDTH = 38, RESULT_HIT_HEIGHT = 16;
// Rows that begin inside the window: 0 to 10, so 88 entries can be seen. The list is not
// scrolled; entries further down are kept but neither drawn nor hit-tested.
const uint32_t RESULT_ROWS_SHOWN = (WINDOW_HEIGHT - 1 - RESULT_TOP) / RESULT_STEP_Y + 1;
const uint32_t RESULTS_SHOWN = RESULT_ROWS_SHOWN * RESULTS_PER_ROW;

static const uint8_t SEARCH_TITLE[] = "Search (Minimum: 5 Characters)";
static const uint8_t SEARCH_BUTTON_TEXT[] = { CC_COLOR, COLOR_YELLOW, ' ', 'S', 'e', 'a', 'r', 'c', 'h', '!', TEXT_NUL };

static uint32_t ShownResultCount(const SearchState& search)
{
    uint32_t count = search.SearchResultCount;
    if (count > search.SearchResults.size()) count = (uint32_t)search.SearchResults.size();
    return count < RESULTS_SHOWN ? count : RESULTS_SHOWN;
}

// ---- Drawing --------------------------------------------------------------------------------
void DrawSearchPanel(Editor& editor)
{
    SearchState& search = editor.Search;
    DrawPlainText(editor, SEARCH_TITLE_X, SEARCH_TITLE_Y, SEARCH_TITLE);

    char line[32];
    snprintf(line, sizeof(line), "Search (%d/20):", (int)search.SearchLength);
    DrawPlainText(editor, SEARCH_COUNTER_X, SEARCH_COUNTER_Y, (const uint8_t*)line);
    // The text is at most 20 characters; the copy keeps the drawing inside the array even if
    // the state was left without its closing zero.
    uint8_t text[SEARCH_TEXT_SIZE + 1];
    memcpy(text, search.SearchText, SEARCH_TEXT_SIZE);
    text[SEARCH_TEXT_SIZE] = TEXT_NUL;
    DrawPlainText(editor, SEARCH_TEXT_X, SEARCH_TEXT_Y, text);
    DrawPlainText(editor, SEARCH_BUTTON_X, SEARCH_BUTTON_Y, SEARCH_BUTTON_TEXT);

    uint32_t shown = ShownResultCount(search);
    for (uint32_t i = 0; i < shown; i++)
    {
        uint32_t pos = search.SearchResults[i];
        int x = RESULT_LEFT + RESULT_STEP_X * (int)(i % RESULTS_PER_ROW);
        int y = RESULT_TOP + RESULT_STEP_Y * (int)(i / RESULTS_PER_ROW);
        // The current message's entry is drawn in yellow.
        if (pos == editor.Store.CurrentEntryPos)
            snprintf(line, sizeof(line), "%c%c%04X", CC_COLOR, COLOR_YELLOW, (unsigned)pos);
        else
            snprintf(line, sizeof(line), "%04X", (unsigned)pos);
        DrawPlainText(editor, x, y, (const uint8_t*)line);
    }
}

// ---- Field and keys -------------------------------------------------------------------------
void PressSearchField(Editor& editor)
{
    editor.Render.SelectionState = SEARCH_TYPING;
    memset(editor.Search.SearchText, 0, sizeof(editor.Search.SearchText));
    editor.Search.SearchLength = 0;
}

void SearchFieldKey(Editor& editor, SDLKey key, uint16_t unicode)
{
    SearchState& search = editor.Search;
    if (unicode >= 0x20 && unicode <= 0x7E && search.SearchLength < SEARCH_MAX_LENGTH)
    {
        search.SearchText[search.SearchLength] = (uint8_t)unicode;
        search.SearchLength++;
    }
    if (key == SDLK_BACKSPACE && search.SearchLength > 0)
    {
        search.SearchLength--;
        search.SearchText[search.SearchLength] = 0;
    }
}

// ---- Clicks ---------------------------------------------------------------------------------
void SearchPanelClick(Editor& editor, int x, int y)
{
    SearchState& search = editor.Search;
    if (x >= SEARCH_BUTTON_LEFT && x <= SEARCH_BUTTON_RIGHT && y >= SEARCH_BUTTON_TOP &&
        y <= SEARCH_BUTTON_BOTTOM && search.SearchLength >= SEARCH_MIN_LENGTH)
        SearchMessages(editor.Store, search);

    // Only entries drawn inside the window can be hit; their areas never overlap.
    uint32_t shown = ShownResultCount(search);
    bool hit = false;
    uint32_t chosen = 0;
    for (uint32_t i = 0; i < shown; i++)
    {
        int x0 = RESULT_LEFT + RESULT_STEP_X * (int)(i % RESULTS_PER_ROW);
        int y0 = RESULT_TOP + RESULT_STEP_Y * (int)(i / RESULTS_PER_ROW);
        if (x >= x0 && x <= x0 + RESULT_HIT_WIDTH && y >= y0 && y <= y0 + RESULT_HIT_HEIGHT)
        {
            hit = true;
            chosen = search.SearchResults[i];
        }
    }
    if (hit) SelectEntry(editor.Store, chosen);
    editor.Shell.OpenPanel = PANEL_SEARCH;
}
