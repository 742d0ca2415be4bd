// Search over the message texts: a text of up to 20 characters near the start of each message.
#include "message_store.h"
#include "encoding.h"

#include <cstring>

static const char SEARCH_PLACEHOLDER[] = "Text to search for.";

void ResetSearch(SearchState& search)
{
    memset(search.SearchText, 0, sizeof(search.SearchText));
    memcpy(search.SearchText, SEARCH_PLACEHOLDER, sizeof(SEARCH_PLACEHOLDER));
    search.SearchLength = 0;
    search.SearchResults.clear();
    search.SearchResultCount = 0;
}

// Outcome of walking the text from one start position.
enum WalkResult
{
    WALK_MATCH,
    WALK_FAILED,        // try the next start position
    WALK_FAILED_AT_END, // failed on the message's CC_END or at the end of the data: give up
};

// How each text byte takes part in a comparison: the folded byte it is compared as, or a step
// over it (and its argument) that uses up no search character.
const uint16_t PASS_WITH_ARGUMENT = 0x100;
const uint16_t PASS_ALONE = 0x101;
const uint16_t CODE_NO_MATCH = 0x102;

struct FoldTable
{
    uint16_t Fold[256];
    FoldTable()
    {
        for (int b = 0; b < 256; b++)
            Fold[b] = (uint16_t)(b > 0x60 ? b - 0x20 : b);
        Fold[CC_LINE_BREAK] = ' ';
        Fold[CC_COLOR] = Fold[CC_SHIFT] = PASS_WITH_ARGUMENT;
        Fold[CC_PASS_08] = Fold[CC_PASS_09] = PASS_ALONE;
        // Every other code ends a match at its own byte, so its arguments are never compared.
        for (int b = 0; b < CONTROL_CODE_COUNT; b++)
            if (b != CC_LINE_BREAK && Fold[b] < 0x100) Fold[b] = CODE_NO_MATCH;
    }
};
static const FoldTable FOLD;

static inline WalkResult WalkFrom(const uint8_t* data, uint32_t size, uint32_t pos, const uint8_t* text, uint32_t length)
{
    uint32_t j = 0;
    while (j < length)
    {
        if (pos >= size) return WALK_FAILED_AT_END;
        uint8_t b = data[pos];
        uint16_t folded = FOLD.Fold[b];
        if (folded == text[j])
        {
            j++;
            pos++;
        }
        else if (folded == PASS_WITH_ARGUMENT || folded == PASS_ALONE)
            pos += ElementLength(data, pos, size);
        else
            return b == CC_END ? WALK_FAILED_AT_END : WALK_FAILED;
    }
    return WALK_MATCH;
}

void SearchMessages(const MessageStore& store, SearchState& search)
{
    search.SearchResults.clear();
    search.SearchResultCount = 0;
    uint32_t length = 0;
    while (length < SEARCH_MAX_LENGTH && search.SearchText[length] != 0)
    {
        uint8_t& c = search.SearchText[length];
        if (c >= 0x61 && c <= 0x7F) c = (uint8_t)(c - 0x20);
        length++;
    }
    // A local copy: the walk then need not reread the text through a pointer that may alias.
    uint8_t text[SEARCH_TEXT_SIZE] = {};
    memcpy(text, search.SearchText, length);
    const uint8_t* data = store.MessageData.data();
    uint32_t size = store.MessageDataSize;
    for (uint32_t p = 0; RangeInside(p, ENTRY_SIZE, store.MessageTableSize); p += ENTRY_SIZE)
    {
        const uint8_t* e = &store.MessageTable[p];
        uint32_t t = ((uint32_t)e[5] << 16) | ((uint32_t)e[6] << 8) | e[7];
        bool match = length == 0;
        // Only element starts are start positions: a match never begins at an argument byte.
        for (uint32_t s = t; !match && s < t + SEARCH_START_POSITIONS && s < size; s += ElementLength(data, s, size))
        {
            WalkResult r = WalkFrom(data, size, s, text, length);
            if (r == WALK_MATCH) match = true;
            else if (r == WALK_FAILED_AT_END) break;
        }
        if (match) search.SearchResults.push_back(p);
    }
    search.SearchResultCount = (uint32_t)search.SearchResults.size();
}
