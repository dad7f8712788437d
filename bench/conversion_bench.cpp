// How fast the conversion runs: in memory against memcpy, file to file, and across sizes.
#include "app/file_conversion.h"
#include "conversion/material_conversion.h"
#include "conversion/text_encoding.h"
#include "platform/ansi_text.h"
#include "base/byte_buffer.h"
#include "table_generator.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <tuple>

namespace {

constexpr std::size_t tableBytes = 100'000'000;

const std::string& bigTable() {
    static const std::string table = brisel::bench::makeTable(tableBytes);
    return table;
}

// Records made and handed on, then dropped: the core alone, its buffer reused.
class Dropped final : public brisel::RecordSink, public brisel::ProblemSink {
public:
    bool write(std::string_view records) override {
        benchmark::DoNotOptimize(records.data());
        bytes += records.size();
        return true;
    }
    void problem(const brisel::TableProblem&) override {}
    std::size_t bytes = 0;
};

std::size_t convertCore(std::string_view table, brisel::FieldEncoding encoding = {}) {
    Dropped dropped;
    brisel::KnownEncoding known(encoding);
    brisel::TableConverter converter("*", known, dropped, dropped);
    converter.convert(table, true);
    std::ignore = converter.finish();
    return dropped.bytes;
}

void convertInMemory(benchmark::State& state) {
    const std::string& table = bigTable();
    for (auto _ : state)
        benchmark::DoNotOptimize(convertCore(table));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * table.size()));
}
BENCHMARK(convertInMemory)->Unit(benchmark::kMillisecond);

// The ANSI path as "Konvertieren" takes it: the encoding test first, then the core.
void convertAnsiWithDetection(benchmark::State& state) {
    const std::string& table = bigTable();
    for (auto _ : state) {
        const brisel::DetectedText detected = brisel::detectEncoding(table);
        benchmark::DoNotOptimize(convertCore(detected.text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * table.size()));
}
BENCHMARK(convertAnsiWithDetection)->Unit(benchmark::kMillisecond);

// The same table saved as UTF-8 with German names: every "a" an "ä", every "u" a "ü".
// Detected, and converted with its fields brought into the ANSI code page.
void convertUtf8(benchmark::State& state) {
    std::string utf8 = "\xEF\xBB\xBF";
    utf8.reserve(bigTable().size() * 5 / 4);
    for (const char c : bigTable())
        utf8.append(c == 'a' ? "\xC3\xA4" : c == 'u' ? "\xC3\xBC" : std::string_view(&c, 1));
    const brisel::AnsiCodePage codePage(brisel::ansiCharacters());
    for (auto _ : state) {
        const brisel::DetectedText detected = brisel::detectEncoding(utf8);
        benchmark::DoNotOptimize(
            convertCore(detected.text, brisel::FieldEncoding(detected.encoding, brisel::TextEncoding::ansi, codePage)));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * utf8.size()));
}
BENCHMARK(convertUtf8)->Unit(benchmark::kMillisecond);

// The limit: the same bytes copied once, into fresh memory of the kind the records get.
void memcpyLimit(benchmark::State& state) {
    const std::string& table = bigTable();
    for (auto _ : state) {
        brisel::ByteBuffer copy(table.size());
        std::memcpy(copy.data(), table.data(), table.size());
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * table.size()));
}
BENCHMARK(memcpyLimit)->Unit(benchmark::kMillisecond);

// File to file, through the same function the "Konvertieren" button calls.
void convertFileToFile(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "brisel-bench";
    std::filesystem::create_directories(folder);
    const std::u16string source = (folder / "tabelle.csv").u16string();
    const std::u16string destination = (folder / "material.ini").u16string();
    std::ofstream(folder / "tabelle.csv", std::ios::binary).write(bigTable().data(), static_cast<std::streamsize>(bigTable().size()));
    Dropped problems;
    for (auto _ : state) {
        const auto done = brisel::convertFile(source, destination, u"*", brisel::WriteMode::overwrite, problems);
        if (done.outcome != brisel::FileConversion::Outcome::ok)
            state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bigTable().size()));
    std::filesystem::remove_all(folder);
}
BENCHMARK(convertFileToFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same work per row at every size: the time per row should stay flat.
void rowSweep(benchmark::State& state) {
    const std::string table = brisel::bench::makeTable(SIZE_MAX, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(convertCore(table));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(rowSweep)->Arg(1'000)->Arg(100'000)->Arg(2'000'000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
