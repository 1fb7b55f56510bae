// SPDX-License-Identifier: Apache-2.0
// Micro-benchmarks of the decoder's stages on symbols made by the test
// encoder. Run: build/release/bench/decoder_benchmark

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "decoding/CodewordInterpreter.h"
#include "pattern/PixelBufferPattern.h"
#include "reader/DecodeDriver.h"
#include "reader/ScanLineReader.h"
#include "support/Pdf417Encoder.h"
#include "symbol/ReedSolomon.h"

namespace {

using namespace ostrel2;
using namespace ostrel2::tessoran;

// Data codewords that fill a symbol of `columns` x `rows` at `ecLevel`
// exactly (the length descriptor is added by the encoder).
std::vector<int> fillingData(int columns, int rows, int ecLevel) {
    const int total = columns * rows - (2 << ecLevel) - 1;
    std::vector<int> data;
    std::mt19937 random(7);
    for (int i = 0; i < total; ++i) {
        data.push_back(static_cast<int>(random() % 900));
    }
    return data;
}

void decodePattern(benchmark::State& state, int columns, int rows, int ecLevel, int moduleWidth) {
    const auto symbol =
        tessoran_test::encodeSymbol(fillingData(columns, rows, ecLevel), ecLevel, columns, rows);
    tessoran_test::RenderOptions options;
    options.moduleWidth = moduleWidth;
    options.rowHeight = 3 * moduleWidth;
    const tessoran_test::PixelGrid grid = tessoran_test::renderSymbol(symbol, options);
    const std::vector<std::uint8_t> grey = grid.greyBytes();
    I2DBitPattern* pattern = nullptr;
    if (failed(CreatePixelBufferPattern({grey.data(), grid.width, grid.height, grid.width},
                                        &pattern))) {
        state.SkipWithError("no pattern of the grey buffer");
        return;
    }
    for (auto _ : state) {
        ITessoranResult* result = nullptr;
        if (failed(DecodeBitPattern(pattern, &result))) {
            state.SkipWithError("symbol did not decode");
            break;
        }
        result->Release();
    }
    pattern->Release();
    state.counters["pixels"] = static_cast<double>(grid.width) * grid.height;
}

void BM_DecodeSmallSymbol(benchmark::State& state) {
    decodePattern(state, 3, 10, 2, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_DecodeSmallSymbol)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

void BM_DecodeLargestSymbol(benchmark::State& state) {
    decodePattern(state, 30, 30, 5, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_DecodeLargestSymbol)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// One symbol row of 30 data columns at one pixel a module, summed from two
// pixel rows, as the driver hands it over.
void BM_ReadScanLine(benchmark::State& state) {
    const auto symbol = tessoran_test::encodeSymbol(fillingData(30, 3, 2), 2, 30, 3);
    const std::string modules = tessoran_test::moduleRowsOf(symbol).front();
    std::vector<double> sums(modules.size() + 4, 0.0);
    for (std::size_t i = 0; i < modules.size(); ++i) {
        sums[i + 2] = modules[i] == '1' ? 2.0 : 0.0;
    }
    std::vector<std::int32_t> codewords(kScanCapacity);
    std::vector<std::int32_t> erasures(kScanCapacity);
    std::int32_t codewordCount = 0;
    std::int32_t erasureCount = 0;
    for (auto _ : state) {
        codewordCount = 0;
        erasureCount = 0;
        ScanLineState scan =
            makeScanLineState(codewords.data(), erasures.data(), &codewordCount, &erasureCount);
        benchmark::DoNotOptimize(
            readScanLine(static_cast<std::int32_t>(sums.size()), 0, 2, sums.data(), scan));
    }
    if (codewordCount != 30 || erasureCount != 0) {
        state.SkipWithError("the row did not read as 30 codewords");
    }
}
BENCHMARK(BM_ReadScanLine)->Unit(benchmark::kMicrosecond);

// Correction of a 928-codeword symbol with 512 check codewords and
// state.range(0) wrong codewords at random positions.
void BM_CorrectErrors(benchmark::State& state) {
    const int errors = static_cast<int>(state.range(0));
    std::vector<int> data(928 - 512);
    std::mt19937 random(11);
    data[0] = static_cast<int>(data.size());
    for (std::size_t i = 1; i < data.size(); ++i) {
        data[i] = static_cast<int>(random() % 900);
    }
    std::vector<int> word = data;
    for (int check : tessoran_test::checkCodewords(data, 512)) {
        word.push_back(check);
    }
    std::vector<std::int32_t> damaged(word.begin(), word.end());
    std::vector<int> positions(word.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        positions[i] = static_cast<int>(i);
    }
    std::shuffle(positions.begin(), positions.end(), random);
    for (int i = 0; i < errors; ++i) {
        damaged[positions[i]] =
            (damaged[positions[i]] + 1 + static_cast<int>(random() % 928)) % 929;
    }
    std::vector<std::int32_t> working(damaged.size());
    for (auto _ : state) {
        working = damaged;
        const std::int32_t located = correctErrors(working.data(), nullptr, 0,
                                                   static_cast<std::int32_t>(working.size()), 512);
        benchmark::DoNotOptimize(located);
    }
}
BENCHMARK(BM_CorrectErrors)->Arg(0)->Arg(50)->Arg(256)->Unit(benchmark::kMicrosecond);

// The interpreter on 900 data codewords of one compaction mode after the
// codeword `latch` that announces it (900 text, 901 byte, 902 numeric).
void interpretRun(benchmark::State& state, int latch, const std::vector<int>& values) {
    std::vector<std::int32_t> codewords(902);
    codewords[0] = 902;
    codewords[1] = latch;
    for (std::size_t i = 2; i < codewords.size(); ++i) {
        codewords[i] = values[(i - 2) % values.size()];
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(interpretCodewords(codewords));
    }
}

std::vector<int> randomValues() {
    std::vector<int> values(900);
    std::mt19937 random(5);
    for (int& value : values) {
        value = static_cast<int>(random() % 900);
    }
    return values;
}

void BM_InterpretText(benchmark::State& state) {
    interpretRun(state, 900, randomValues());
}
void BM_InterpretBytes(benchmark::State& state) {
    interpretRun(state, 901, randomValues());
}
// The 15 codewords of a group of 44 nines, repeated 60 times: every group is
// valid, so nothing is reported on standard output.
void BM_InterpretNumeric(benchmark::State& state) {
    interpretRun(state, 902,
                 {874, 223, 532, 264, 888, 236, 358, 185, 93, 795, 72, 289, 146, 822, 199});
}
BENCHMARK(BM_InterpretText)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InterpretBytes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InterpretNumeric)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
