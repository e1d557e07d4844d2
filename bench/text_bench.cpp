// Shift-JIS measures on 1 MiB of mixed Japanese text, against converting the same text to
// Shift-JIS with ICU in the same run.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

#include "component/ZuvoCls.h"
#include "platform/Cp932.h"

namespace {

using zuvo::String;
using zuvo::Variant;

constexpr std::size_t targetBytes = 1 << 20;

// Words as business records hold them: codes and numbers, half-width katakana names, and
// kanji and kana text, with blanks between.
String randomWord(std::mt19937& rng) {
  static const String ascii = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-.";
  static const String kana = u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝｰﾞﾟ";
  static const String kanji =
      u"株式会社東京大阪支店営業部経理課売上請求書番号金額合計税込日付担当者名住所電話"
      u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよ";
  const String* alphabet[] = {&ascii, &kana, &kanji};
  const String& from = *alphabet[rng() % 3];
  String word(2 + rng() % 8, u' ');
  for (char16_t& c : word) c = from[rng() % from.size()];
  return word + u' ';
}

// 1 MiB of text (as Shift-JIS bytes), cut into pieces of at most `pieceChars` characters.
struct Corpus {
  std::vector<Variant> pieces;
  std::vector<String> texts;
  std::size_t bytes = 0;
};

const Corpus& corpus(std::size_t pieceChars) {
  static std::map<std::size_t, Corpus> built;
  auto [it, fresh] = built.try_emplace(pieceChars);
  Corpus& c = it->second;
  if (!fresh) return c;
  std::mt19937 rng(932);
  String piece;
  while (c.bytes < targetBytes) {
    const String word = randomWord(rng);
    if (piece.size() + word.size() > pieceChars) {
      c.texts.push_back(piece);
      piece.clear();
    }
    piece += word;
    c.bytes += zuvo::cp932::encode(word).size();
  }
  c.texts.push_back(piece);
  for (const String& t : c.texts) c.pieces.emplace_back(t);
  return c;
}

void LenByte(benchmark::State& state) {
  const Corpus& c = corpus(std::size_t(state.range(0)));
  zuvo::ZuvoCls z;
  for (auto _ : state)
    for (const Variant& piece : c.pieces) benchmark::DoNotOptimize(z.LenByte(piece));
  state.SetBytesProcessed(std::int64_t(state.iterations() * c.bytes));
}

void IcuToShiftJis(benchmark::State& state) {
  const Corpus& c = corpus(std::size_t(state.range(0)));
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, void (*)(UConverter*)> cnv(ucnv_open("Shift_JIS", &status),
                                                         ucnv_close);
  if (U_FAILURE(status)) throw std::runtime_error("ICU has no Shift_JIS converter");
  std::vector<char> out(64 * 1024);
  for (auto _ : state) {
    for (const String& text : c.texts) {
      status = U_ZERO_ERROR;
      benchmark::DoNotOptimize(ucnv_fromUChars(cnv.get(), out.data(), std::int32_t(out.size()),
                                               text.data(), std::int32_t(text.size()), &status));
    }
  }
  state.SetBytesProcessed(std::int64_t(state.iterations() * c.bytes));
}

// Walks and copies every piece whole.
void MidByteWhole(benchmark::State& state) {
  const Corpus& c = corpus(std::size_t(state.range(0)));
  zuvo::ZuvoCls z;
  for (auto _ : state)
    for (const Variant& piece : c.pieces) benchmark::DoNotOptimize(z.MidByte(piece, 1, 32767));
  state.SetBytesProcessed(std::int64_t(state.iterations() * c.bytes));
}

// Ten bytes cut at byte `st` of a 16,000-character piece: the cost should follow `st`.
void MidByteAt(benchmark::State& state) {
  const Corpus& c = corpus(16000);
  const Variant& piece = c.pieces.front();
  zuvo::ZuvoCls z;
  const Variant st = int(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(z.MidByte(piece, st, 10));
  state.SetBytesProcessed(std::int64_t(state.iterations() * state.range(0)));
}

// Pieces of 16,000 characters (whole texts) and of 24 (record fields).
BENCHMARK(LenByte)->Arg(16000)->Arg(24);
BENCHMARK(IcuToShiftJis)->Arg(16000)->Arg(24);
BENCHMARK(MidByteWhole)->Arg(16000)->Arg(24);
BENCHMARK(MidByteAt)->Arg(1024)->Arg(4096)->Arg(16384)->Arg(20000);

}  // namespace
