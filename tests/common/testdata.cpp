// Generated message pairs and temporary files for tests and benchmarks.
#include "testdata.h"
#include "test_io.h"
#include "encoding.h"
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
            out.push_back((uint8_t)(0x7F + random.Below(31))); // accented letter
            AppendWord(random, out, false);
        }
        else if (roll < 11)
            out.push_back((uint8_t)(0x9F + random.Below(12))); // controller symbol
        else if (roll < 12)
            out.push_back(CC_PLAYER);
        else if (roll < 13)
        {
            static const uint8_t PASS[4] = { CC_PASS_08, CC_PASS_09, CC_PASS_15, CC_PASS_1A };
            out.push_back(PASS[random.Below(4)]);
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

void GenerateMessagePair(uint32_t seed, std::vector<uint8_t>& table, std::vector<uint8_t>& data)
{
    TestRandom random(seed);
    table.clear();
    data.clear();
    table.reserve(GENERATED_ENTRIES * 8);
    data.reserve(400 * 1024);
    uint16_t id = 0x0001;
    for (uint32_t i = 0; i < GENERATED_ENTRIES; i++)
    {
        while (data.size() % 4 != 0) data.push_back(0);
        uint8_t typePosition = (uint8_t)((random.Below(6) << 4) | random.Below(3));
        AppendEntry(table, id, typePosition, (uint32_t)data.size());
        id = (uint16_t)(id + 1 + (random.Chance(10) ? random.Below(40) : 0));
        uint32_t boxes = 1 + random.Below(3) + (random.Chance(10) ? random.Below(4) : 0);
        for (uint32_t b = 0; b < boxes; b++)
        {
            AppendBox(random, data);
            if (b + 1 < boxes)
                data.push_back(random.Chance(5) ? CC_BOX_BREAK_ALT : CC_BOX_BREAK);
        }
        data.push_back(CC_END);
    }
    while (data.size() % 4 != 0) data.push_back(0);
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
