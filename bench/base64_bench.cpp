// Encoding a large body happens once per network fetch; keep it cheap.
#include <benchmark/benchmark.h>

#include <string>

#include "util/base64.h"

static void BM_Base64Encode(benchmark::State& state) {
  std::string bytes(static_cast<size_t>(state.range(0)), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131);
  for (auto _ : state) benchmark::DoNotOptimize(qv::base64Encode(bytes));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Base64Encode)->Arg(2 << 10)->Arg(1 << 20)->Arg(32 << 20);

// As the network thread writes it: pieces of one read each.
static void BM_Base64WriterInReads(benchmark::State& state) {
  std::string bytes(static_cast<size_t>(state.range(0)), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131);
  const std::string_view all = bytes;
  for (auto _ : state) {
    qv::Base64Writer writer;
    writer.reserve(all.size());
    for (size_t at = 0; at < all.size(); at += 256 * 1024) writer.add(all.substr(at, 256 * 1024));
    benchmark::DoNotOptimize(std::move(writer).finish());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Base64WriterInReads)->Arg(1 << 20)->Arg(32 << 20);

static void BM_Base64Decode(benchmark::State& state) {
  std::string bytes(static_cast<size_t>(state.range(0)), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131);
  const std::string text = qv::base64Encode(bytes);
  for (auto _ : state) benchmark::DoNotOptimize(qv::base64Decode(text));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Base64Decode)->Arg(2 << 10)->Arg(1 << 20);
