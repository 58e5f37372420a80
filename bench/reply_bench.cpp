// The network route's completion on a worker: the reply's calls around the
// Base64 the transport wrote. A 32 MB body should take a small fraction of a
// second.
#include <benchmark/benchmark.h>

#include <string>

#include "bridge/network_request.h"
#include "bridge/reply.h"
#include "util/base64.h"

static void BM_NetworkReplyCalls(benchmark::State& state) {
  std::string bytes(static_cast<size_t>(state.range(0)), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  const qv::HttpResponse response{200, qv::base64Encode(bytes), {}};
  for (auto _ : state) {
    const auto texts = qv::networkReply(response);
    benchmark::DoNotOptimize(qv::replyCalls("/qv/index.html", "fetch-42", texts.data, texts.error));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_NetworkReplyCalls)
    ->Arg(2 << 10)
    ->Arg(1 << 20)
    ->Arg(32 << 20)
    ->Unit(benchmark::kMillisecond);

// Error texts and ids are short; this is the per-reply overhead.
static void BM_ReplyCallsSmall(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(qv::replyCalls("/qv/index.html", "fetch-42",
                                            "eyJvayI6dHJ1ZX0=", "Could not connect: refused"));
  }
}
BENCHMARK(BM_ReplyCallsSmall);
