// Yaz0 decoding of a stream that expands to 64 MiB of ROM-like bytes (code words, message text,
// zeros, offset tables and packed data mixed in blocks), the size of the largest images; and the
// tests' encoder, which builds the synthetic compressed images, on 4 MiB of the same bytes.
#include "testdata.h"
#include "yaz0.h"
#include "yaz0_encode.h"
#include <benchmark/benchmark.h>
#include <vector>

static const uint32_t IMAGE_BYTES = 64u << 20;

static void BM_DecodeYaz0(benchmark::State& state)
{
    const std::vector<uint8_t> image = GenerateRomLikeBytes(1, IMAGE_BYTES);
    const std::vector<uint8_t> stream = EncodeYaz0(image.data(), image.size());
    std::vector<uint8_t> out(IMAGE_BYTES);
    for (auto _ : state)
    {
        if (DecodeYaz0(stream.data(), stream.size(), out.data(), IMAGE_BYTES) != YAZ0_OK)
        {
            state.SkipWithError("the stream does not decode");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    if (out != image) state.SkipWithError("the stream decodes to other bytes");
    state.SetBytesProcessed((int64_t)state.iterations() * IMAGE_BYTES);
    state.counters["stream_share"] = (double)stream.size() / IMAGE_BYTES;
}
BENCHMARK(BM_DecodeYaz0)->Unit(benchmark::kMillisecond);

static void BM_EncodeYaz0(benchmark::State& state)
{
    const std::vector<uint8_t> image = GenerateRomLikeBytes(2, (size_t)state.range(0));
    for (auto _ : state)
    {
        std::vector<uint8_t> stream = EncodeYaz0(image.data(), image.size());
        benchmark::DoNotOptimize(stream.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeYaz0)->Arg(4 << 20)->Unit(benchmark::kMillisecond);
