// The placeholder pairs: one entry (ID 0x1000, black box at the bottom, text offset 0) and one
// single-box message.
#include "message_store.h"
#include "encoding.h"

const uint8_t DEFAULT_TABLE[8] = { 0x10, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00 };

// ---- Files missing: ask the user to extract them --------------------------------------------
const uint8_t DEFAULT_DATA[] = {
    'P','l','e','a','s','e',' ','e','x','t','r','a','c','t',' ','t','h','e',' ',
    'f','i','l','e','s',' ','v','i','a',' ',
    CC_COLOR, COLOR_RED,
    'h','e','l','p','e','r','.','e','x','e',
    CC_COLOR, COLOR_WHITE,
    '.',
    CC_LINE_BREAK,
    ' ',' ',' ',' ',' ',
    CC_COLOR, COLOR_YELLOW,
    'v','e','l','l','o','r','a','n','.','e','x','a','m','p','l','e','.','o','r','g',
    CC_END,
};
const uint32_t DEFAULT_DATA_SIZE = sizeof(DEFAULT_DATA);

// ---- Files damaged: say so; the files on disk are left alone --------------------------------
const uint8_t DAMAGED_DATA[] = {
    'T','h','e',' ','m','e','s','s','a','g','e',' ','f','i','l','e','s',' ',
    'a','r','e',' ',
    CC_COLOR, COLOR_RED,
    'd','a','m','a','g','e','d',
    CC_COLOR, COLOR_WHITE,
    '.',
    CC_LINE_BREAK,
    ' ',' ',' ',' ',' ',
    CC_COLOR, COLOR_YELLOW,
    'T','h','e','y',' ','w','i','l','l',' ','n','o','t',' ','b','e',' ',
    'w','r','i','t','t','e','n','.',
    CC_END,
};
const uint32_t DAMAGED_DATA_SIZE = sizeof(DAMAGED_DATA);
