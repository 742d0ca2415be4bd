// Generated message pairs and temporary files for tests and benchmarks.
#include "testdata.h"
#include "test_io.h"
#include "encoding.h"
#include "glyph_table.h"
#include "sound_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <cerrno>
#include <direct.h>
#include <process.h>
#endif

uint32_t TestRandom::Next()
{
    // xorshift64*
    State ^= State >> 12;
    State ^= State << 25;
    State ^= State >> 27;
    return (uint32_t)((State * 0x2545F4914F6CDD1Dull) >> 32);
}

std::vector<uint8_t> Bytes(const char* text)
{
    std::vector<uint8_t> v;
    for (const char* p = text; *p; p++) v.push_back((uint8_t)*p);
    return v;
}

std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

uint32_t TableOffset(const std::vector<uint8_t>& table, uint32_t entryPos)
{
    return ((uint32_t)table[entryPos + 5] << 16) | ((uint32_t)table[entryPos + 6] << 8) | table[entryPos + 7];
}

// ---- Pairs --------------------------------------------------------------------------------------
static void AppendEntry(std::vector<uint8_t>& table, uint16_t id, uint8_t typePosition, uint32_t offset)
{
    const uint8_t entry[8] = { (uint8_t)(id >> 8), (uint8_t)id, typePosition, 0x00, 0x07,
                               (uint8_t)(offset >> 16), (uint8_t)(offset >> 8), (uint8_t)offset };
    table.insert(table.end(), entry, entry + 8);
}

void BuildMessagePair(const std::vector<std::vector<uint8_t>>& messages, std::vector<uint8_t>& table,
                      std::vector<uint8_t>& data)
{
    table.clear();
    data.clear();
    for (size_t i = 0; i < messages.size(); i++)
    {
        while (data.size() % 4 != 0) data.push_back(0);
        AppendEntry(table, (uint16_t)(0x1000 + i), 0x00, (uint32_t)data.size());
        data.insert(data.end(), messages[i].begin(), messages[i].end());
    }
}

// ---- Generated text -----------------------------------------------------------------------------
static const char* const WORDS[] = {
    "the", "you", "a", "of", "to", "and", "is", "this", "that", "it", "with", "for", "can",
    "village", "forest", "sword", "shield", "temple", "key", "door", "hello", "come", "back",
    "later", "treasure", "chest", "found", "rupees", "heart", "piece", "mountain", "lake",
    "castle", "princess", "fairy", "boy", "girl", "shop", "buy", "sell", "price", "thank",
    "strange", "mask", "ocarina", "song", "play", "listen", "carefully", "north", "south",
    "gate", "guard", "bridge", "field", "night", "day", "moon", "sun", "time", "great",
};
const uint32_t WORD_COUNT = sizeof(WORDS) / sizeof(WORDS[0]);

static void AppendWord(TestRandom& random, std::vector<uint8_t>& out, bool capital)
{
    const char* word = WORDS[random.Below(WORD_COUNT)];
    for (const char* p = word; *p; p++)
        out.push_back((uint8_t)(capital && p == word ? *p - 0x20 : *p));
}

// One line of words, with the occasional colour, gap, special character or pass-through code.
static void AppendLine(TestRandom& random, std::vector<uint8_t>& out)
{
    uint32_t words = 3 + random.Below(5);
    for (uint32_t w = 0; w < words; w++)
    {
        if (w > 0) out.push_back(' ');
        uint32_t roll = random.Below(100);
        if (roll < 6)
        {
            out.push_back(CC_COLOR);
            out.push_back((uint8_t)(COLOR_FIRST + 1 + random.Below(7)));
            AppendWord(random, out, false);
            out.push_back(CC_COLOR);
            out.push_back(COLOR_WHITE);
        }
        else if (roll < 8)
        {
            out.push_back(CC_SHIFT);
            out.push_back((uint8_t)(0x08 + random.Below(0x30)));
            AppendWord(random, out, false);
        }
        else if (roll < 10)
        {
            out.push_back((uint8_t)(LETTER_FIRST + random.Below(31))); // accented letter
            AppendWord(random, out, false);
        }
        else if (roll < 11)
            out.push_back((uint8_t)(0x9F + random.Below(12))); // controller symbol
        else if (roll < 12)
            out.push_back(CC_PLAYER);
        else if (roll < 13)
        {
            static const uint8_t PASS[4] = { CC_PASS_08, CC_PASS_09, CC_PASS_15, CC_PASS_1A };
            uint8_t code = PASS[random.Below(4)];
            out.push_back(code);
            out.insert(out.end(), ControlArgumentCount(code), 0x00); // the background code's picture
            AppendWord(random, out, false);
        }
        else
            AppendWord(random, out, w == 0);
    }
    if (random.Chance(30)) out.push_back(random.Chance(50) ? '.' : '!');
}

static void AppendBox(TestRandom& random, std::vector<uint8_t>& out)
{
    if (random.Chance(8))
    {
        uint16_t id = SoundIdTable[random.Below(SOUND_COUNT)];
        out.push_back(CC_SOUND);
        out.push_back((uint8_t)(id >> 8));
        out.push_back((uint8_t)id);
    }
    if (random.Chance(10))
    {
        out.push_back(CC_ICON);
        out.push_back((uint8_t)random.Below(0x80));
    }
    uint32_t lines = 1 + random.Below(4);
    for (uint32_t l = 0; l < lines; l++)
    {
        if (l > 0) out.push_back(CC_LINE_BREAK);
        AppendLine(random, out);
    }
}

// Both generators: empty files, then each entry aligned to 4 bytes with a random box type and
// position, and IDs that now and then skip ahead.
static void StartPair(std::vector<uint8_t>& table, std::vector<uint8_t>& data)
{
    table.clear();
    data.clear();
    table.reserve(GENERATED_ENTRIES * 8);
    data.reserve(400 * 1024);
}

static void StartEntry(TestRandom& random, std::vector<uint8_t>& table, std::vector<uint8_t>& data, uint16_t& id)
{
    while (data.size() % 4 != 0) data.push_back(0);
    uint8_t typePosition = (uint8_t)((random.Below(6) << 4) | random.Below(3));
    AppendEntry(table, id, typePosition, (uint32_t)data.size());
    id = (uint16_t)(id + 1 + (random.Chance(10) ? random.Below(40) : 0));
}

const uint8_t BOX_DELAY_FRAMES = 40;

void GenerateMessagePair(uint32_t seed, std::vector<uint8_t>& table, std::vector<uint8_t>& data)
{
    TestRandom random(seed);
    StartPair(table, data);
    uint16_t id = 0x0001;
    for (uint32_t i = 0; i < GENERATED_ENTRIES; i++)
    {
        StartEntry(random, table, data, id);
        uint32_t boxes = 1 + random.Below(3) + (random.Chance(10) ? random.Below(4) : 0);
        for (uint32_t b = 0; b < boxes; b++)
        {
            AppendBox(random, data);
            if (b + 1 < boxes)
            {
                bool delayed = random.Chance(5);
                data.push_back(delayed ? CC_BOX_BREAK_ALT : CC_BOX_BREAK);
                if (delayed) data.push_back(BOX_DELAY_FRAMES); // its delay, not the next box's first letter
            }
        }
        data.push_back(CC_END);
    }
    while (data.size() % 4 != 0) data.push_back(0);
}

// ---- Game-like text -----------------------------------------------------------------------------
// Words of our own; the accented ones are UTF-8 here and turned into the game's letter bytes.
static const char* const ENGLISH_WORDS[] = {
    "the", "you", "a", "of", "to", "and", "is", "this", "that", "it", "with", "for", "can", "hollow",
    "marsh", "lantern", "tower", "cellar", "ferry", "rope", "well", "hammer", "cloak", "seed", "stone",
    "ember", "river", "bell", "ladder", "morning", "evening", "coins", "Ravéna", "cliff", "owl", "gate",
};
static const char* const GERMAN_WORDS[] = {
    "und", "der", "wend", "ist", "kratt", "ulm", "senn", "borgel", "drimm", "feldar", "hosk", "tarn",
    "Grünwalk", "Flößmar", "Übertalk", "Kärnbusch", "Mühlgrat", "Hölzwend", "Äugelsprung", "Stößel",
    "Fürbach", "Schlüßweid", "mögen", "größel", "wüst", "Bärfang", "schön", "Lötkamm", "Öde", "fäßlich",
};
static const char* const FRENCH_WORDS[] = {
    "le", "la", "vous", "et", "pour", "mon", "dans", "sur", "bral", "tissou", "marel", "quivon",
    "Mélançoir", "Pâtrevèle", "Ëlvoisé", "Crôutemêre", "Sûvelaire", "Àmbrelée", "Çatirène", "naïvelot",
    "Bêchouré", "déçu", "là", "forêt", "crépin", "Éclave", "Ôrmaille", "Ülrevin", "bâtisé", "ÈlÂÁÏÛ",
};

struct GameWords
{
    std::vector<std::vector<uint8_t>> Words;
    std::vector<int> Widths; // pen advance of each word
};

static std::vector<uint8_t> GameBytes(const char* utf8)
{
    std::vector<uint8_t> out;
    for (const uint8_t* p = (const uint8_t*)utf8; *p; p++)
    {
        if (*p < 0x80)
        {
            out.push_back(*p);
            continue;
        }
        uint32_t codePoint = (uint32_t)(p[0] & 0x1F) << 6 | (p[1] & 0x3F); // Latin-1: two bytes
        p++;
        for (int b = LETTER_FIRST; b <= LETTER_LAST; b++)
            if (LetterCodePoint((uint8_t)b) == codePoint) out.push_back((uint8_t)b);
    }
    return out;
}

static const GameWords& WordsOf(GameLanguage language)
{
    static GameWords lists[3];
    GameWords& w = lists[language];
    if (w.Words.empty())
    {
        const char* const* source = language == GAME_GERMAN ? GERMAN_WORDS : language == GAME_FRENCH ? FRENCH_WORDS : ENGLISH_WORDS;
        size_t count = language == GAME_GERMAN ? sizeof(GERMAN_WORDS) / sizeof(GERMAN_WORDS[0])
                     : language == GAME_FRENCH ? sizeof(FRENCH_WORDS) / sizeof(FRENCH_WORDS[0])
                                               : sizeof(ENGLISH_WORDS) / sizeof(ENGLISH_WORDS[0]);
        for (size_t i = 0; i < count; i++)
        {
            w.Words.push_back(GameBytes(source[i]));
            int width = 0;
            for (uint8_t b : w.Words.back()) width += GlyphAdvance(b);
            w.Widths.push_back(width);
        }
    }
    return w;
}

// Argument values that look like structure: TEXT_NUL, line break, end, box break, box break
// with delay, icon code.
static const uint8_t COLLIDING[6] = { 0x00, 0x01, 0x02, 0x04, 0x0C, 0x13 };

static uint8_t ArgumentByte(TestRandom& random, uint32_t low, uint32_t span)
{
    return random.Chance(40) ? COLLIDING[random.Below(6)] : (uint8_t)(low + random.Below(span));
}

const int GAME_LINE_BUDGET = 176;   // pixels of a line; the box has 282 (an icon takes 40)
const int GAME_STAND_IN_WIDTH = 48; // room left for a number or time the game writes in

// One line: words with colours, gaps, symbols, the portrait and the codes the game puts inside a
// line, until the budget is spent.
static void AppendGameLine(TestRandom& random, const GameWords& words, std::vector<uint8_t>& out)
{
    int width = 0;
    for (uint32_t w = 0; w < 9; w++)
    {
        uint32_t pick = random.Below((uint32_t)words.Words.size());
        int wordWidth = words.Widths[pick];
        uint32_t roll = random.Below(1000);
        int extra = roll < 25 ? GAME_STAND_IN_WIDTH : roll < 45 ? 20 : 16; // a stand-in, a gap, a symbol
        if (w > 0 && width + 7 + wordWidth + extra > GAME_LINE_BUDGET) break;
        if (w > 0) out.push_back(' '), width += 7;
        std::vector<uint8_t> word = words.Words[pick];
        if (w == 0 && word[0] >= 'a' && word[0] <= 'z') word[0] = (uint8_t)(word[0] - 0x20); // a capital starts the line
        if (roll < 25) // a number the game writes in, before the word
        {
            static const uint8_t WRITTEN[7] = { CC_TIMER, CC_TIMER_2, CC_POINTS, CC_TOKENS, CC_FISH,
                                                CC_TIME_OF_DAY, CC_HIGH_SCORE };
            uint8_t code = WRITTEN[random.Below(7)];
            out.push_back(code);
            if (code == CC_HIGH_SCORE) out.push_back(ArgumentByte(random, 0, 7));
            out.push_back(' ');
            width += GAME_STAND_IN_WIDTH;
        }
        else if (roll < 45)
        {
            out.push_back(CC_SHIFT);
            uint8_t gap = ArgumentByte(random, 3, 18);
            out.push_back(gap);
            width += gap;
        }
        else if (roll < 55)
            out.push_back((uint8_t)(SYMBOL_FIRST + random.Below(12))), out.push_back(' '), width += 20;
        else if (roll < 62)
            out.push_back(CC_PLAYER), out.push_back(' '), width += 23;
        else if (roll < 67)
            out.push_back(random.Chance(50) ? CC_AWAIT_BUTTON : CC_OCARINA);
        if (roll >= 67 && roll < 127) // a word in colour
        {
            out.push_back(CC_COLOR);
            out.push_back((uint8_t)(COLOR_FIRST + 1 + random.Below(6)));
            out.insert(out.end(), word.begin(), word.end());
            out.push_back(CC_COLOR);
            out.push_back(COLOR_WHITE);
        }
        else if (roll >= 127 && roll < 140) // a word at once, then letter by letter again
        {
            out.push_back(CC_PASS_08);
            out.insert(out.end(), word.begin(), word.end());
            out.push_back(CC_PASS_09);
        }
        else if (roll >= 140 && roll < 146) // a change of speed
        {
            out.push_back(CC_SPEED);
            out.push_back(ArgumentByte(random, 0, 4));
            out.insert(out.end(), word.begin(), word.end());
        }
        else
            out.insert(out.end(), word.begin(), word.end());
        width += wordWidth;
    }
    if (random.Chance(30)) out.push_back(random.Chance(50) ? '.' : '!');
}

// One box: its sound and icon, up to four lines (a blank one among them at times), and the codes
// the game puts at the end of a box.
static void AppendGameBox(TestRandom& random, const GameWords& words, std::vector<uint8_t>& out, bool last)
{
    if (random.Chance(3)) out.push_back(CC_PASS_1A);
    if (random.Chance(7))
    {
        uint16_t id = SoundIdTable[random.Below(SOUND_COUNT)];
        out.push_back(CC_SOUND);
        out.push_back((uint8_t)(id >> 8));
        out.push_back((uint8_t)id);
    }
    if (random.Chance(9))
    {
        out.push_back(CC_ICON);
        out.push_back(ArgumentByte(random, 0, 121));
    }
    uint32_t lines = random.Chance(30) ? 4 : 1 + random.Below(3);
    uint32_t blank = lines == 4 && random.Chance(25) ? 1 + random.Below(3) : lines; // a gap between paragraphs
    for (uint32_t l = 0; l < lines; l++)
    {
        if (l > 0) out.push_back(CC_LINE_BREAK);
        if (l != blank) AppendGameLine(random, words, out);
    }
    uint32_t roll = random.Below(100);
    if (roll < 3) out.push_back(CC_KEEP_OPEN);
    else if (roll < 5) out.push_back(CC_AWAIT_EVENT);
    else if (roll < 8 && last) out.push_back(random.Chance(65) ? CC_TWO_CHOICE : CC_THREE_CHOICE);
    else if (roll < 10 && last)
    {
        out.push_back(CC_FADE);
        out.push_back(ArgumentByte(random, 10, 90));
    }
    else if (roll < 11 && last)
    {
        out.push_back(CC_FADE_LONG);
        out.push_back(ArgumentByte(random, 0, 2));
        out.push_back(ArgumentByte(random, 0, 256));
    }
}

void GenerateGameLikePair(uint32_t seed, GameLanguage language, std::vector<uint8_t>& table,
                          std::vector<uint8_t>& data)
{
    TestRandom random(seed * 3 + language);
    const GameWords& words = WordsOf(language);
    StartPair(table, data);
    uint16_t id = 0x0001;
    for (uint32_t i = 0; i < GENERATED_ENTRIES; i++)
    {
        StartEntry(random, table, data, id);
        if (random.Chance(1)) // a background picture before the text
        {
            data.push_back(CC_PASS_15);
            for (int k = 0; k < 3; k++) data.push_back(ArgumentByte(random, 0, 64));
        }
        if (random.Chance(2)) data.push_back(CC_PASS_08);
        uint32_t boxes = 1 + random.Below(3) + (random.Chance(10) ? random.Below(4) : 0);
        for (uint32_t b = 0; b < boxes; b++)
        {
            AppendGameBox(random, words, data, b + 1 == boxes);
            if (b + 1 == boxes) break;
            if (random.Chance(6))
            {
                data.push_back(CC_BOX_BREAK_ALT);
                data.push_back(ArgumentByte(random, 10, 80));
            }
            else
                data.push_back(CC_BOX_BREAK);
        }
        // The text goes on with another message: its ID, often with a low byte like a code
        // (the first such message always ends 07 xx 13 02).
        if (random.Chance(3) || i == 7)
        {
            data.push_back(CC_NEXT_MESSAGE);
            data.push_back((uint8_t)random.Below(0x60));
            data.push_back(i == 7 ? CC_ICON : ArgumentByte(random, 0, 256));
        }
        data.push_back(CC_END);
    }
    while (data.size() % 4 != 0) data.push_back(0);
}

// ---- ROM-like bytes -----------------------------------------------------------------------------
static void AppendWord32(std::vector<uint8_t>& out, uint32_t w)
{
    const uint8_t b[4] = { (uint8_t)(w >> 24), (uint8_t)(w >> 16), (uint8_t)(w >> 8), (uint8_t)w };
    out.insert(out.end(), b, b + 4);
}

// Code of a 32-bit big-endian processor: few registers, small offsets, calls into a handful
// of functions, function ends; the same words recur as they do in compiled code.
static void AppendCode(TestRandom& random, std::vector<uint8_t>& out, uint32_t words)
{
    static const uint32_t REGS[8] = { 2, 3, 4, 5, 6, 16, 17, 31 };
    for (uint32_t i = 0; i < words; i++)
    {
        uint32_t rs = REGS[random.Below(8)], rt = REGS[random.Below(8)];
        uint32_t roll = random.Below(100);
        if (roll < 30) // lw or sw on the stack frame
            AppendWord32(out, (random.Chance(50) ? 0x8Fu : 0xAFu) << 24 | 29u << 21 | rt << 16 | random.Below(16) * 4);
        else if (roll < 45) AppendWord32(out, 0x8Cu << 24 | rs << 21 | rt << 16 | random.Below(64) * 4); // lw
        else if (roll < 55) AppendWord32(out, 0x0C000000u | (0x00100000u + random.Below(32) * 0x40)); // jal
        else if (roll < 65) AppendWord32(out, 0); // nop
        else if (roll < 75) AppendWord32(out, 0x3C000000u | rt << 16 | (0x8010u + random.Below(16))); // lui
        else if (roll < 88) AppendWord32(out, rs << 21 | rt << 16 | REGS[random.Below(8)] << 11 | 0x21); // addu
        else if (roll < 94) AppendWord32(out, 0x24000000u | rs << 21 | rt << 16 | random.Below(256)); // addiu
        else
        {
            AppendWord32(out, 0x03E00008u); // jr ra, its delay slot, the next function's frame
            AppendWord32(out, 0x27BD0000u | (random.Below(8) * 8 + 24));
            AppendWord32(out, 0x27BD0000u | (0x10000u - random.Below(8) * 8 - 24));
        }
    }
}

std::vector<uint8_t> GenerateRomLikeBytes(uint32_t seed, size_t size)
{
    TestRandom random(seed);
    std::vector<uint8_t> out;
    out.reserve(size + 0x10000);
    while (out.size() < size)
    {
        uint32_t roll = random.Below(100);
        if (roll < 45) AppendCode(random, out, 256 + random.Below(4096));
        else if (roll < 65)
        {
            for (uint32_t lines = 20 + random.Below(200); lines > 0; lines--)
            {
                AppendLine(random, out);
                out.push_back(random.Chance(20) ? 0 : '\n');
            }
        }
        else if (roll < 85) out.insert(out.end(), 256 + random.Below(32768), 0);
        else if (roll < 93)
        {
            // An ascending table of offsets.
            uint32_t at = random.Next() & 0x00FFFF00;
            for (uint32_t n = 64 + random.Below(1024); n > 0; n--) AppendWord32(out, at += 4 * (1 + random.Below(64)));
        }
        else
        {
            // Data already packed: no repeats to find.
            for (uint32_t n = 1024 + random.Below(16384); n > 0; n--) out.push_back((uint8_t)random.Next());
        }
    }
    out.resize(size);
    return out;
}

// ---- Files --------------------------------------------------------------------------------------
std::string MakeTempDir()
{
#ifdef _WIN32
    // No mkdtemp: a fresh name made from the process and a counter, created exclusively.
    const char* base = getenv("TEMP");
    std::string prefix = std::string(base && *base ? base : ".") + "\\velloran-test-";
    static int counter = 0;
    for (int attempt = 0; attempt < 1000; attempt++)
    {
        std::string name = prefix + std::to_string(_getpid()) + "-" + std::to_string(counter++);
        if (_mkdir(name.c_str()) == 0) return name;
        if (errno != EEXIST) break;
    }
    return std::string();
#else
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/velloran-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) return std::string();
    return name.data();
#endif
}

void RemoveTempDir(const std::string& dir)
{
    if (dir.empty()) return;
    if (DIR* d = opendir(dir.c_str()))
    {
        while (dirent* entry = readdir(d))
        {
            std::string name = entry->d_name;
            if (name != "." && name != "..") unlink((dir + "/" + name).c_str());
        }
        closedir(d);
    }
    rmdir(dir.c_str());
}

bool WriteTestFile(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen((dir + "/" + name).c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool ReadTestFile(const std::string& dir, const char* name, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    FILE* f = fopen((dir + "/" + name).c_str(), "rb");
    if (!f) return false;
    uint8_t chunk[8192];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(f);
    return true;
}

bool TestFileExists(const std::string& dir, const char* name)
{
    struct stat st;
    return stat((dir + "/" + name).c_str(), &st) == 0;
}

bool WriteMessagePair(const std::string& dir, const std::vector<uint8_t>& table, const std::vector<uint8_t>& data)
{
    return WriteTestFile(dir, "table", table) && WriteTestFile(dir, "nes_message_data_static", data);
}

std::vector<std::string> DirectoryNames(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str()))
    {
        while (dirent* e = readdir(d))
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

#ifndef _WIN32
std::string DrainDescriptor(int fd)
{
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof(buf))) > 0) text.append(buf, (size_t)n);
    close(fd);
    return text;
}
#endif
