// QSort on a million random Variants against std::sort of the same values in the same order.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "component/ZuvoCls.h"

namespace {

using zuvo::Array;
using zuvo::String;
using zuvo::Variant;

constexpr int count = 1000000;

const std::vector<Variant>& longs() {
  static const std::vector<Variant> values = [] {
    std::mt19937 rng(1);
    std::vector<Variant> v;
    v.reserve(count);
    for (int i = 0; i < count; ++i) v.push_back(Variant::Long(std::int32_t(rng())));
    return v;
  }();
  return values;
}

// Names and codes of 4 to 12 characters, ASCII and Japanese.
const std::vector<Variant>& strings() {
  static const std::vector<Variant> values = [] {
    static const String alphabet =
        u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
        u"ｱｲｳｴｵｶｷｸｹｺあいうえおかきくけこ株式会社東京大阪支店";
    std::mt19937 rng(2);
    std::vector<Variant> v;
    v.reserve(count);
    for (int i = 0; i < count; ++i) {
      String s(4 + rng() % 9, u' ');
      for (char16_t& c : s) c = alphabet[rng() % alphabet.size()];
      v.push_back(Variant(s));
    }
    return v;
  }();
  return values;
}

void QSortOf(benchmark::State& state, const std::vector<Variant>& values) {
  zuvo::ZuvoCls z;
  for (auto _ : state) {
    state.PauseTiming();
    Array<Variant> d(0, values);
    state.ResumeTiming();
    z.QSort(d, 0, count - 1);
    benchmark::DoNotOptimize(d.items().data());
  }
  state.SetItemsProcessed(state.iterations() * count);
}

template <typename Less>
void StdSortOf(benchmark::State& state, const std::vector<Variant>& values, Less less) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<Variant> d = values;
    state.ResumeTiming();
    std::sort(d.begin(), d.end(), less);
    benchmark::DoNotOptimize(d.data());
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void QSortLong(benchmark::State& state) {
  QSortOf(state, longs());
}
void StdSortLong(benchmark::State& state) {
  StdSortOf(state, longs(), [](const Variant& a, const Variant& b) {
    return *a.get<std::int32_t>() < *b.get<std::int32_t>();
  });
}
void QSortString(benchmark::State& state) {
  QSortOf(state, strings());
}
void StdSortString(benchmark::State& state) {
  StdSortOf(state, strings(),
            [](const Variant& a, const Variant& b) { return *a.get<String>() < *b.get<String>(); });
}

BENCHMARK(QSortLong)->Unit(benchmark::kMillisecond);
BENCHMARK(StdSortLong)->Unit(benchmark::kMillisecond);
BENCHMARK(QSortString)->Unit(benchmark::kMillisecond);
BENCHMARK(StdSortString)->Unit(benchmark::kMillisecond);

}  // namespace
