// velloran-script on the game-like generated pair (2116 entries of German-like text, every code,
// about 300 KB):
// export, import (reading and taking the pair; with and without the safe save) and check.
// Goals: export and import each under 20 ms, check under 10 ms.
#include "script.h"
#include "testdata.h"

#include <benchmark/benchmark.h>

// ---- Set-up -------------------------------------------------------------------------------------
struct BenchPair
{
    MessageStore Store;
    std::string Script;
};

static BenchPair& Realistic()
{
    static BenchPair pair;
    static bool made = false;
    if (!made)
    {
        std::vector<uint8_t> table, data;
        GenerateGameLikePair(1, GAME_GERMAN, table, data);
        TakeMessagePair(pair.Store, table.data(), (uint32_t)table.size(), data.data(), (uint32_t)data.size());
        std::vector<std::string> notes;
        ExportScript(pair.Store, pair.Script, notes);
        made = true;
    }
    return pair;
}

// ---- Commands -----------------------------------------------------------------------------------
static void BM_Export(benchmark::State& state)
{
    BenchPair& pair = Realistic();
    std::string script;
    std::vector<std::string> notes;
    for (auto _ : state)
    {
        ExportScript(pair.Store, script, notes);
        benchmark::DoNotOptimize(script.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * pair.Store.MessageDataSize);
}
BENCHMARK(BM_Export)->Unit(benchmark::kMillisecond);

static void BM_Import(benchmark::State& state)
{
    BenchPair& pair = Realistic();
    for (auto _ : state)
    {
        ScriptPair parsed;
        ParseScript((const uint8_t*)pair.Script.data(), pair.Script.size(), "messages.txt", parsed);
        MessageStore store;
        TakeMessagePair(store, parsed.Table.data(), (uint32_t)parsed.Table.size(), parsed.Data.data(),
                        (uint32_t)parsed.Data.size());
        benchmark::DoNotOptimize(store.MessageDataSize);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * pair.Script.size());
}
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);

// The whole command: reading the script from disk, parsing, and the synced all-or-nothing save.
static void BM_ImportWithSave(benchmark::State& state)
{
    BenchPair& pair = Realistic();
    std::string dir = MakeTempDir();
    WriteMessagePair(dir, pair.Store.MessageTable, std::vector<uint8_t>(pair.Store.MessageData.begin(),
                     pair.Store.MessageData.begin() + pair.Store.MessageDataSize));
    WriteTestFile(dir, "messages.txt", std::vector<uint8_t>(pair.Script.begin(), pair.Script.end()));
    const char* args[] = { "velloran-script", "import" };
    FILE* sink = tmpfile();
    for (auto _ : state)
        if (RunScriptProgram(2, args, stdin, sink, sink, dir.c_str()) != 0) state.SkipWithError("import failed");
    fclose(sink);
    RemoveTempDir(dir);
}
BENCHMARK(BM_ImportWithSave)->Unit(benchmark::kMillisecond);

static void BM_Check(benchmark::State& state)
{
    BenchPair& pair = Realistic();
    std::string report;
    report.reserve(1 << 16);
    for (auto _ : state)
    {
        report.clear();
        benchmark::DoNotOptimize(CheckMessages(pair.Store, true, report));
    }
}
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond);
