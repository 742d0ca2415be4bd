// Fuzz target for velloran-script's format. Byte 0 chooses the input's reading:
//   even: the rest is a script. ParseScript never reads outside it; a script it accepts gives a
//         pair the store takes, export writes it back without a note, and that export reads
//         back to the same bytes. check runs over it.
//   odd:  the rest is message data, byte 1 the number of entries (1..8) and bytes 2..9 their
//         offsets (scaled into the data, sorted). Every pair the store takes exports to a
//         script that import reads without an error, with the same entries, aligned; without
//         notes it comes back exactly, with notes the normalised pair is exact from then on.
// Both: inside a message's text export writes a hex tag only for bytes that neither the code
// table nor the font names (so every code appears by its name, with its arguments).
#include "script.h"
#include "encoding.h"
#include "fuzz_common.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

static bool UnnamedByte(uint8_t b)
{
    if (b < CONTROL_CODE_COUNT) return b != CC_LINE_BREAK && !ControlCode(b).Tag;
    return b == 0x7F || b > SYMBOL_LAST;
}

// Walks the script's tags line by line; a hex tag before the line's {end} is message text.
static void CheckHexTagsAreUnnamed(const std::string& script)
{
    bool afterEnd = false;
    for (size_t i = 0; i < script.size(); i++)
    {
        char c = script[i];
        if (c == '\n') afterEnd = false;
        if (c != '{') continue;
        if (i + 1 < script.size() && script[i + 1] == '{')
        {
            i++;
            continue;
        }
        size_t close = script.find('}', i);
        FUZZ_CHECK(close != std::string::npos, "export wrote a tag without its end");
        std::string tag = script.substr(i + 1, close - i - 1);
        if (tag == "end") afterEnd = true;
        else if (!afterEnd && tag.compare(0, 2, "0x") == 0)
            for (size_t k = 2; k + 1 < tag.size(); k += 3) // "0x00 03 7F"
                FUZZ_CHECK(UnnamedByte((uint8_t)strtoul(tag.substr(k, 2).c_str(), nullptr, 16)),
                           "export wrote a named byte as a hex tag");
        i = close;
    }
}

static void CheckScript(const uint8_t* text, size_t size)
{
    ScriptPair pair;
    ParseScript(text, size, "f.txt", pair);
    FUZZ_CHECK(pair.Errors.size() <= (size_t)SCRIPT_ERROR_LIMIT + 1, "more errors than the limit");
    for (const std::string& e : pair.Errors) FUZZ_CHECK(e.compare(0, 6, "f.txt:") == 0, "an error without its file");
    if (!pair.Errors.empty()) return;
    MessageStore store;
    FUZZ_CHECK(TakeMessagePair(store, pair.Table.data(), (uint32_t)pair.Table.size(), pair.Data.data(),
                               (uint32_t)pair.Data.size()), "an accepted script gives a pair the store refuses");
    std::string script;
    std::vector<std::string> notes;
    ExportScript(store, script, notes);
    FUZZ_CHECK(notes.empty(), "an imported pair is not exported exactly");
    CheckHexTagsAreUnnamed(script);
    ScriptPair again;
    ParseScript((const uint8_t*)script.data(), script.size(), "f.txt", again);
    FUZZ_CHECK(again.Errors.empty(), "export wrote a script import refuses");
    FUZZ_CHECK(again.Table == pair.Table && again.Data == pair.Data, "the round trip changed the pair");
    std::string report;
    CheckMessages(store, true, report);
}

static void CheckPair(const uint8_t* bytes, size_t size)
{
    if (size < 11) return;
    uint32_t entries = 1 + bytes[0] % 8;
    std::vector<uint8_t> data(bytes + 9, bytes + size);
    uint32_t offsets[8];
    for (uint32_t e = 0; e < entries; e++) offsets[e] = (uint32_t)((uint64_t)bytes[1 + e] * data.size() / 256);
    std::sort(offsets, offsets + entries);
    std::vector<uint8_t> table;
    for (uint32_t e = 0; e < entries; e++)
    {
        const uint8_t entry[8] = { 0x10, (uint8_t)e, (uint8_t)(bytes[1 + e] & 0x5F), 0, 7,
                                   (uint8_t)(offsets[e] >> 16), (uint8_t)(offsets[e] >> 8), (uint8_t)offsets[e] };
        table.insert(table.end(), entry, entry + 8);
    }
    MessageStore store;
    if (!TakeMessagePair(store, table.data(), (uint32_t)table.size(), data.data(), (uint32_t)data.size())) return;
    std::string script;
    std::vector<std::string> notes;
    ExportScript(store, script, notes);
    ScriptPair pair;
    ParseScript((const uint8_t*)script.data(), script.size(), "f.txt", pair);
    FUZZ_CHECK(pair.Errors.empty(), "export wrote a script import refuses");
    CheckHexTagsAreUnnamed(script);
    FUZZ_CHECK(pair.Table.size() == table.size(), "the script lost or gained entries");
    for (uint32_t e = 0; e < entries; e++) // ID, type, reserved and high byte kept; offset aligned
        FUZZ_CHECK(!memcmp(&pair.Table[e * 8], &table[e * 8], 5) && pair.Table[e * 8 + 7] % 4 == 0,
                   "import changed an entry or left its text unaligned");
    if (notes.empty()) FUZZ_CHECK(pair.Table == table && pair.Data == data, "a round trip without notes is not exact");
    else CheckScript((const uint8_t*)script.data(), script.size());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 1) return 0;
    if (bytes[0] % 2 == 0) CheckScript(bytes + 1, size - 1);
    else CheckPair(bytes + 1, size - 1);
    return 0;
}
