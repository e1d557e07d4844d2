#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "runtime/RuntimeError.h"
#include "runtime/String.h"

namespace zuvo::testing {

// The run-time error number that `call` raised, 0 when it returned normally.
template <typename Call>
std::int32_t errorOf(Call&& call) {
  try {
    call();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

// Mixed business text: ASCII, half-width katakana, hiragana and common kanji, all of them
// characters with a code page 932 form.
inline String mixedJapanese(std::mt19937& rng, std::size_t length) {
  static const String pool =
      u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,-/()"
      u"ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝｰﾞﾟ"
      u"あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを"
      u"ん"
      u"アイウエオカキクケコサシスセソタチツテトナニヌネノ"
      u"株式会社東京大阪支店営業部経理課売上請求書番号金額合計税込日付担当者名住所電話"
      u"０１２３４５６７８９ＡＢＣＤＥ　、。「」・";
  std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
  String text;
  text.reserve(length);
  for (std::size_t i = 0; i < length; ++i) text.push_back(pool[pick(rng)]);
  return text;
}

}  // namespace zuvo::testing
