// Benchmarks of the text layer on the program's common paths: formatting a log line and reading a
// buffer of Korean bytes. Run by hand: build/bench/brelvano_bench.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/codepage.h"
#include "platform/cstring.h"

namespace {

void BM_FormatLogLine(benchmark::State& state) {
  const CString message(L"Device answered: version 5.0.9.4, 12 records");
  CString line;
  int n = 0;
  for (auto _ : state) {
    line.Format(L"[ %02d:%02d:%02d ] %s", n % 24, n % 60, (n * 7) % 60, message);
    benchmark::DoNotOptimize(line);
    ++n;
  }
}
BENCHMARK(BM_FormatLogLine);

// 4 KB in code page 949: Korean text with ASCII between, as the device's files hold it.
std::string Korean4K() {
  const std::string chunk = platform::TextToBytes(CP_KOREAN, CString(L"한국어 기록 12번: 정상 OK. "));
  std::string bytes;
  while (bytes.size() + chunk.size() <= 4096) bytes += chunk;
  bytes.resize(4096, ' ');
  return bytes;
}

void BM_BytesToText949(benchmark::State& state) {
  const std::string bytes = Korean4K();
  for (auto _ : state) {
    CString text = platform::BytesToText(CP_KOREAN, bytes);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_BytesToText949);

}  // namespace
