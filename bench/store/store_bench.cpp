// Store operations on a realistic generated pair, each beside its byte-by-byte reference.
#include "message_store.h"
#include "encoding.h"
#include "pristine.h"
#include "reference.h"
#include "testdata.h"

#include <benchmark/benchmark.h>
#include <cstring>

// ---- Set-up -------------------------------------------------------------------------------------
const MessageStore& Pristine()
{
    static MessageStore store;
    static bool loaded = false;
    if (!loaded)
    {
        std::vector<uint8_t> table, data;
        GenerateMessagePair(1, table, data);
        std::string dir = MakeTempDir();
        WriteMessagePair(dir, table, data);
        LoadMessageFiles(store, dir.c_str());
        RemoveTempDir(dir);
        RefreshBox(store, false);
        loaded = true;
    }
    return store;
}

static ReferenceStore ReferenceOf(const MessageStore& s)
{
    ReferenceStore r;
    r.Data.assign(s.MessageDataSize * 2 + 65536, 0);
    r.Scratch.assign(r.Data.size(), 0);
    memcpy(r.Data.data(), s.MessageData.data(), s.MessageDataSize);
    r.DataSize = s.MessageDataSize;
    r.Table = s.MessageTable;
    r.TableSize = s.MessageTableSize;
    memcpy(r.EditBuffer, s.EditBuffer, sizeof(r.EditBuffer));
    r.LoadedBoxOffset = s.LoadedBoxOffset;
    r.LoadedEntryPos = s.LoadedEntryPos;
    r.CurrentEntryPos = s.CurrentEntryPos;
    r.CurrentTextOffset = s.CurrentTextOffset;
    r.CurrentBox = s.CurrentBox;
    r.LastBox = s.LastBox;
    r.Cursor = 0;
    return r;
}

static bool SameImages(const MessageStore& s, const ReferenceStore& r)
{
    return s.MessageDataSize == r.DataSize && memcmp(s.MessageData.data(), r.Data.data(), r.DataSize) == 0 &&
           s.MessageTable == r.Table;
}

// ---- Commit of an edited 200-byte box near the start --------------------------------------------
const uint32_t COMMIT_ENTRY = 10;

// Box text of length bytes: letters, then the box's own terminator.
static void FillBox(uint8_t* buffer, uint32_t length, uint8_t terminator)
{
    for (uint32_t i = 0; i + 1 < length; i++) buffer[i] = (uint8_t)('a' + i % 26);
    buffer[length - 1] = terminator;
    buffer[length] = TEXT_NUL;
}

// A store whose current box (of an entry near the start) is 200 bytes long.
static MessageStore CommitStore()
{
    MessageStore s = Pristine();
    SelectEntry(s, COMMIT_ENTRY * ENTRY_SIZE);
    RefreshBox(s, false);
    uint8_t terminator = s.EditBuffer[EditTextLength(s) - 1];
    FillBox(s.EditBuffer, 200, terminator);
    s.EditState = EDIT_MODIFIED;
    RefreshBox(s, true);
    return s;
}

static void BM_CommitBox(benchmark::State& state)
{
    MessageStore s = CommitStore();
    uint8_t terminator = s.EditBuffer[EditTextLength(s) - 1];
    uint32_t toggle = 0;
    for (auto _ : state)
    {
        // 200 and 204 bytes in turn: every commit moves the tail, the data stays aligned.
        FillBox(s.EditBuffer, 200 + 4 * (toggle ^= 1), terminator);
        s.EditState = EDIT_MODIFIED;
        CommitBox(s);
    }
    benchmark::DoNotOptimize(s.MessageDataSize);
}
BENCHMARK(BM_CommitBox)->Unit(benchmark::kMicrosecond);

static void BM_ReferenceCommitBox(benchmark::State& state)
{
    MessageStore s = CommitStore();
    ReferenceStore r = ReferenceOf(s);
    uint8_t terminator = s.EditBuffer[EditTextLength(s) - 1];
    // Both must agree before they are compared.
    FillBox(s.EditBuffer, 204, terminator);
    FillBox(r.EditBuffer, 204, terminator);
    CommitBox(s);
    ReferenceCommitBox(r);
    if (!SameImages(s, r)) state.SkipWithError("reference commit differs");
    uint32_t toggle = 1;
    for (auto _ : state)
    {
        FillBox(r.EditBuffer, 200 + 4 * (toggle ^= 1), terminator);
        ReferenceCommitBox(r);
    }
    benchmark::DoNotOptimize(r.DataSize);
}
BENCHMARK(BM_ReferenceCommitBox)->Unit(benchmark::kMicrosecond)->Iterations(20);

// The floor for a commit near the start: one move of the data's tail by 4 bytes.
static void BM_PlainTailMove(benchmark::State& state)
{
    MessageStore s = CommitStore();
    uint32_t from = s.LoadedBoxOffset + 200;
    uint32_t tail = s.MessageDataSize - from;
    uint32_t toggle = 0;
    for (auto _ : state)
    {
        toggle ^= 1;
        memmove(s.MessageData.data() + from + 4 * toggle, s.MessageData.data() + from + 4 * (toggle ^ 1), tail);
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = tail;
}
BENCHMARK(BM_PlainTailMove)->Unit(benchmark::kMicrosecond);

// ---- Alignment of a table whose every offset is misaligned --------------------------------------
// The generated messages back to back, each starting off a multiple of 4, and chosen so that
// it is still misaligned after the pads before it: every entry needs its own insertion.
static MessageStore MisalignedStore()
{
    const MessageStore& p = Pristine();
    MessageStore s = p;
    std::vector<uint8_t> data;
    uint32_t padsBefore = 0;
    for (uint32_t e = 0; e < p.MessageTableSize; e += ENTRY_SIZE)
    {
        uint32_t start = ReadTextOffset(p, e);
        uint32_t end = e + ENTRY_SIZE < p.MessageTableSize ? ReadTextOffset(p, e + ENTRY_SIZE) : p.MessageDataSize;
        while (end > start + 1 && p.MessageData[end - 1] == 0) end--;
        uint32_t residue = 1 + (e / ENTRY_SIZE) % 3;
        if ((residue + padsBefore) % 4 == 0) residue = residue % 3 + 1;
        data.push_back(0);
        while (data.size() % 4 != residue) data.push_back(0);
        padsBefore += 4 - (residue + padsBefore) % 4;
        WriteTextOffset(s, e, (uint32_t)data.size());
        data.insert(data.end(), p.MessageData.begin() + start, p.MessageData.begin() + end);
    }
    s.MessageData = data;
    s.MessageData.resize(data.size() * 3 / 2, 0);
    s.MessageDataSize = (uint32_t)data.size();
    return s;
}

static void BM_AlignTextOffsets(benchmark::State& state)
{
    const MessageStore start = MisalignedStore();
    MessageStore s = start;
    for (auto _ : state)
    {
        state.PauseTiming();
        memcpy(s.MessageData.data(), start.MessageData.data(), start.MessageDataSize);
        s.MessageDataSize = start.MessageDataSize;
        s.MessageTable = start.MessageTable;
        state.ResumeTiming();
        AlignTextOffsets(s);
    }
    benchmark::DoNotOptimize(s.MessageDataSize);
}
BENCHMARK(BM_AlignTextOffsets)->Unit(benchmark::kMicrosecond);

static void BM_ReferenceAlignTextOffsets(benchmark::State& state)
{
    const MessageStore start = MisalignedStore();
    ReferenceStore r = ReferenceOf(start);
    MessageStore check = start;
    AlignTextOffsets(check);
    ReferenceAlignTextOffsets(r);
    if (!SameImages(check, r)) state.SkipWithError("reference alignment differs");
    for (auto _ : state)
    {
        state.PauseTiming();
        r = ReferenceOf(start);
        state.ResumeTiming();
        ReferenceAlignTextOffsets(r);
    }
    benchmark::DoNotOptimize(r.DataSize);
}
BENCHMARK(BM_ReferenceAlignTextOffsets)->Unit(benchmark::kMillisecond)->Iterations(2);

// ---- DeleteBox on a middle box near the start ---------------------------------------------------
static MessageStore DeleteStore()
{
    MessageStore s = Pristine();
    for (uint32_t e = 0; e < s.MessageTableSize; e += ENTRY_SIZE)
    {
        SelectEntry(s, e);
        RefreshBox(s, false);
        if (s.LastBox >= 2) break;
    }
    NextBox(s);
    RefreshBox(s, false);
    s.Cursor = 0;
    return s;
}

static void BM_DeleteBox(benchmark::State& state)
{
    const MessageStore start = DeleteStore();
    MessageStore s = start;
    for (auto _ : state)
    {
        state.PauseTiming();
        memcpy(s.MessageData.data(), start.MessageData.data(), start.MessageDataSize);
        s.MessageDataSize = start.MessageDataSize;
        s.MessageTable = start.MessageTable;
        s.CurrentBox = start.CurrentBox;
        state.ResumeTiming();
        DeleteBox(s);
    }
    benchmark::DoNotOptimize(s.MessageDataSize);
}
BENCHMARK(BM_DeleteBox)->Unit(benchmark::kMicrosecond);

static void BM_ReferenceDeleteBox(benchmark::State& state)
{
    const MessageStore start = DeleteStore();
    ReferenceStore r = ReferenceOf(start);
    MessageStore check = start;
    DeleteBox(check);
    ReferenceDeleteBox(r);
    if (!SameImages(check, r)) state.SkipWithError("reference DeleteBox differs");
    const ReferenceStore fresh = ReferenceOf(start);
    for (auto _ : state)
    {
        state.PauseTiming();
        memcpy(r.Data.data(), fresh.Data.data(), fresh.DataSize);
        r.DataSize = fresh.DataSize;
        r.Table = fresh.Table;
        r.CurrentBox = fresh.CurrentBox;
        state.ResumeTiming();
        ReferenceDeleteBox(r);
    }
    benchmark::DoNotOptimize(r.DataSize);
}
BENCHMARK(BM_ReferenceDeleteBox)->Unit(benchmark::kMicrosecond);

// ---- Search for a 5-character text --------------------------------------------------------------
static const char SEARCH_FOR[] = "treas";

static void BM_SearchMessages(benchmark::State& state)
{
    const MessageStore& s = Pristine();
    SearchState search;
    search.SearchResults.reserve(s.MessageTableSize / ENTRY_SIZE);
    for (auto _ : state)
    {
        memset(search.SearchText, 0, sizeof(search.SearchText));
        memcpy(search.SearchText, SEARCH_FOR, 5);
        SearchMessages(s, search);
    }
    if (search.SearchResultCount != ReferenceSearchMessages(ReferenceOf(s), SEARCH_FOR))
        state.SkipWithError("reference search differs");
    state.counters["found"] = search.SearchResultCount;
}
BENCHMARK(BM_SearchMessages)->Unit(benchmark::kMicrosecond);

static void BM_ReferenceSearchMessages(benchmark::State& state)
{
    const ReferenceStore r = ReferenceOf(Pristine());
    uint32_t found = 0;
    for (auto _ : state) found = ReferenceSearchMessages(r, SEARCH_FOR);
    state.counters["found"] = found;
}
BENCHMARK(BM_ReferenceSearchMessages)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
