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

// Four lines with the game's codes: markers of choices, speed, delays and a jump, stand-ins of
// a timer and points, accented letters.
static std::vector<uint8_t> CodedBox()
{
    const std::vector<uint8_t> br = { CC_LINE_BREAK };
    return Bytes("Zeit: ") + std::vector<uint8_t>{ CC_TIMER, CC_SPEED, 2 } + Bytes(" M\x9Bglich, ") +
           std::vector<uint8_t>{ CC_POINTS } + br + std::vector<uint8_t>{ CC_TWO_CHOICE } + Bytes("Ja gern") + br +
           Bytes("Nein ") + std::vector<uint8_t>{ CC_AWAIT_EVENT, CC_FADE, 0x02, CC_PASS_08 } + Bytes("s\x8Fr") + br +
           Bytes("ende") + std::vector<uint8_t>{ CC_NEXT_MESSAGE, 0x01, CC_ICON, CC_END };
}

static void Frame(benchmark::State& state, uint8_t panel, bool decodeEveryCall, bool coded = false)
{
    EditorHarness h;
    if (!OpenHarness(h, { coded ? CodedBox() : ColourfulBox(), Bytes("Next") + std::vector<uint8_t>{ CC_END } }))
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
static void BM_FrameGameCodes(benchmark::State& state) { Frame(state, PANEL_NONE, false, true); }
BENCHMARK(BM_FrameMainScreen)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameGameCodes)->Unit(benchmark::kMicrosecond);
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
