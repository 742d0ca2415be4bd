// Test data shared by the editor's tests and benchmarks: a seeded generator of a realistic
// message pair, small pairs built from given messages, and temporary-directory helpers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// ---- Generated pairs ----------------------------------------------------------------------------
const uint32_t GENERATED_ENTRIES = 2116;

// A small deterministic generator (the same seed gives the same numbers on every machine).
struct TestRandom
{
    uint64_t State;
    explicit TestRandom(uint64_t seed) : State(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t Next();
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; } // 0 .. n-1
    bool Chance(uint32_t percent) { return Below(100) < percent; }
};

// A table of 2116 entries and about 350 KB of message data: multi-box messages using every
// control code, text offsets ascending and aligned to 4 with zero bytes between messages.
void GenerateMessagePair(uint32_t seed, std::vector<uint8_t>& table, std::vector<uint8_t>& data);

// Text like the game's own, in one of three languages (English-, German- and French-like words of
// our own, the latter two full of accented letters): every control code of the table at about the
// rate the game uses it, arguments equal to 0x00, 0x01, 0x02, 0x04, 0x0C and 0x13 right after
// their codes, boxes of up to four lines with blank lines and gaps, messages that go on with
// another (0x07 and an ID, one of them ending 07 xx 13 02). Made to fit: every line stays well
// inside the box with room for stand-ins of the numbers the game writes in, no box has more than
// four lines, colours and icons lie inside their tables. Same layout as GenerateMessagePair.
enum GameLanguage : uint8_t { GAME_ENGLISH, GAME_GERMAN, GAME_FRENCH };
void GenerateGameLikePair(uint32_t seed, GameLanguage language, std::vector<uint8_t>& table,
                          std::vector<uint8_t>& data);

// A pair holding the given messages in order (each should end in CC_END), IDs from 0x1000 on,
// offsets aligned to 4 with zero padding.
void BuildMessagePair(const std::vector<std::vector<uint8_t>>& messages, std::vector<uint8_t>& table,
                      std::vector<uint8_t>& data);

// Bytes of a string literal, for building messages: Bytes("Hi") + ...
std::vector<uint8_t> Bytes(const char* text);
std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b);

uint32_t TableOffset(const std::vector<uint8_t>& table, uint32_t entryPos);

// ---- ROM-like bytes -----------------------------------------------------------------------------
// size bytes mixed like a ROM image's: blocks of code words, message text, zeros, tables of
// offsets and incompressible packed data.
std::vector<uint8_t> GenerateRomLikeBytes(uint32_t seed, size_t size);

// ---- Environment --------------------------------------------------------------------------------
#ifdef _WIN32
#include <cstdlib>
// The C runtime's own call; it updates the process environment that SDL reads as well.
inline int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
#endif

// ---- Files --------------------------------------------------------------------------------------
std::string MakeTempDir();                  // a fresh directory under $TMPDIR or /tmp
void RemoveTempDir(const std::string& dir); // removes the directory and the files in it
bool WriteTestFile(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes);
bool ReadTestFile(const std::string& dir, const char* name, std::vector<uint8_t>& bytes);
bool TestFileExists(const std::string& dir, const char* name);
// Writes table and nes_message_data_static into dir.
bool WriteMessagePair(const std::string& dir, const std::vector<uint8_t>& table, const std::vector<uint8_t>& data);
