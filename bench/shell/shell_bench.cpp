// RunFrame's work without the loop's delay, on the main screen and with a panel open, drawing a
// four-line box with several colour codes; beside it the same frame with a renderer that
// decodes the font sheet at every call and at every colour code. And the start-up to the first
// frame with a realistic message pair. Runs under SDL's dummy video driver.
#include "harness.h"
#include "encoding.h"
#include "testdata.h"
#include <benchmark/benchmark.h>
#include <cstdlib>

// ---- The box drawn ----
static std::vector<uint8_t> ColourfulBox()
{
    auto colour = [](uint8_t c) { return std::vector<uint8_t>{ CC_COLOR, c }; };
    const std::vector<uint8_t> br = { CC_LINE_BREAK };
    return colour(0x41) + Bytes("Red words") + colour(0x40) + Bytes(" and more text") + br +
           colour(0x42) + Bytes("green") + colour(0x40) + Bytes(" then ") + colour(0x46) + Bytes("yellow") + br +
           colour(0x44) + Bytes("cyan") + colour(0x40) + Bytes(" and ") + colour(0x45) + Bytes("magenta") + br +
           Bytes("the last line, ") + colour(0x43) + Bytes("blue") + colour(0x40) + Bytes(".") +
           std::vector<uint8_t>{ CC_END };
}

static void Frame(benchmark::State& state, uint8_t panel, bool decodeEveryCall)
{
    EditorHarness h;
    if (!OpenHarness(h, { ColourfulBox(), Bytes("Next") + std::vector<uint8_t>{ CC_END } }))
    {
        state.SkipWithError("the editor did not start");
        return;
    }
    RunFrames(h, 2);
    h.App->Shell.OpenPanel = panel;
    h.App->Render.DecodeEveryCall = decodeEveryCall;
    RunFrames(h, 1); // the window takes its width
    for (auto _ : state)
        benchmark::DoNotOptimize(RunFrame(*h.App));
}

static void BM_FrameMainScreen(benchmark::State& state) { Frame(state, PANEL_NONE, false); }
static void BM_FrameMainScreenDecodeEveryCall(benchmark::State& state) { Frame(state, PANEL_NONE, true); }
static void BM_FrameBoxPanel(benchmark::State& state) { Frame(state, PANEL_BOX, false); }
static void BM_FrameBoxPanelDecodeEveryCall(benchmark::State& state) { Frame(state, PANEL_BOX, true); }
BENCHMARK(BM_FrameMainScreen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameMainScreenDecodeEveryCall)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameBoxPanel)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameBoxPanelDecodeEveryCall)->Unit(benchmark::kMicrosecond);

// ---- Start-up ----
// Loading the realistic pair, opening the window, decoding the images and the first frame.
static void BM_StartupToFirstFrame(benchmark::State& state)
{
    std::vector<uint8_t> table, data;
    GenerateMessagePair(5, table, data);
    std::string dir = MakeTempDir();
    WriteMessagePair(dir, table, data);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    for (auto _ : state)
    {
        Editor* editor = new Editor();
        LoadMessageFiles(editor->Store, dir.c_str());
        bool started = StartEditor(*editor);
        if (started) RunFrame(*editor);
        state.PauseTiming();
        if (!started) state.SkipWithError("the editor did not start");
        ReleaseEditor(*editor);
        delete editor;
        SDL_Quit();
        state.ResumeTiming();
        if (!started) break;
    }
    RemoveTempDir(dir);
}
BENCHMARK(BM_StartupToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(20);

BENCHMARK_MAIN();
