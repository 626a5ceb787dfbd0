// Google Benchmark cases for each stage of a conversion.

#include "convert/blocking.h"
#include "convert/converter.h"
#include "figuregen.h"
#include "jwk/jwkdata.h"
#include "jwk/jwtrans.h"
#include "jws/jwsdata.h"
#include "jws/jwsreader.h"
#include "jws/jwswriter.h"

#include <benchmark/benchmark.h>

#include <map>

using namespace pravelot;

namespace {

const Bytes &jwsFile(std::int64_t n)
{
    static std::map<std::int64_t, Bytes> files;
    auto it = files.find(n);
    if (it == files.end()) {
        TJwsData d = bench::generateJws(n, 600);
        it = files.emplace(n, writeJws(d, {600})).first;
    }
    return it->second;
}

const Bytes &jwkFile(std::int64_t n)
{
    static std::map<std::int64_t, Bytes> files;
    auto it = files.find(n);
    if (it == files.end())
        it = files.emplace(n, bench::generateJwk(n)).first;
    return it->second;
}

void setBytes(benchmark::State &state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_JwsRead(benchmark::State &state)
{
    const Bytes &f = jwsFile(state.range(0));
    for (auto _ : state) {
        const JwsReading r = readJws(f);
        benchmark::DoNotOptimize(r.doc.EntLine.data());
    }
    setBytes(state, f.size());
}

void BM_BlockTree(benchmark::State &state)
{
    TJwsData d = readJws(jwsFile(state.range(0))).doc;
    for (auto _ : state)
        d.MakeBlockTree();
}

void BM_Extents(benchmark::State &state)
{
    TJwsData d = readJws(jwsFile(state.range(0))).doc;
    for (auto _ : state)
        d.GetMinMaxZahyo();
}

void BM_Blocking(benchmark::State &state)
{
    const TJwsData loaded = readJws(jwsFile(state.range(0))).doc;
    for (auto _ : state) {
        state.PauseTiming();
        TJwsData d = loaded;
        state.ResumeTiming();
        DataTransJWS(d, u"bench");
    }
}

void BM_JwsWrite(benchmark::State &state)
{
    TJwsData d = readJws(jwsFile(state.range(0))).doc;
    DataTransJWS(d, u"bench");
    std::size_t size = 0;
    for (auto _ : state) {
        Bytes out = writeJws(d, {600});
        size = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state, size);
}

void BM_JwkRead(benchmark::State &state)
{
    const Bytes &f = jwkFile(state.range(0));
    TJwkData k;
    for (auto _ : state)
        k.FileInBytes(f);
    setBytes(state, f.size());
}

void BM_JwkTranslate(benchmark::State &state)
{
    TJwkData k;
    k.FileInBytes(jwkFile(state.range(0)));
    TJwsData d;
    TJwTrans t;
    for (auto _ : state)
        translateJwk(t, k, d);
}

} // namespace

BENCHMARK(BM_JwsRead)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlockTree)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Extents)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blocking)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JwsWrite)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JwkRead)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JwkTranslate)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
