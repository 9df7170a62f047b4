// Shared pieces of the fuzzing harnesses.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/text.h"

namespace vkr::fuzz {

// A UTF-16 text of the provider's choice: code units taken two bytes at a time, so that every
// value (unpaired surrogates and zeros included) can occur.
inline std::u16string ConsumeText(FuzzedDataProvider& data, std::size_t max_units) {
  const std::size_t units = data.ConsumeIntegralInRange<std::size_t>(0, max_units);
  std::u16string text;
  for (std::size_t i = 0; i < units && data.remaining_bytes() > 0; ++i) {
    text.push_back(static_cast<char16_t>(data.ConsumeIntegral<std::uint16_t>()));
  }
  return text;
}

// Text of whole pieces from `pieces` mixed with arbitrary code units, until it reaches
// `max_units` or the input ends.
template <std::size_t N>
std::u16string ConsumeFromPieces(FuzzedDataProvider& data, const std::u16string (&pieces)[N], std::size_t max_units) {
  std::u16string text;
  while (text.size() < max_units && data.remaining_bytes() > 0) {
    if (data.ConsumeBool()) {
      text += pieces[data.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
    } else {
      text.push_back(static_cast<char16_t>(data.ConsumeIntegral<std::uint16_t>()));
    }
  }
  return text;
}

// Text from a mix of the characters that matter to the launcher's rules and arbitrary units.
inline std::u16string ConsumeUrlish(FuzzedDataProvider& data, std::size_t max_units) {
  static const std::u16string kPieces[] = {u"http://",
                                           u".morvane.velqo.com/",
                                           u"login.velqo.com/entergame_pc.php?",
                                           u"client://loadgame|",
                                           u"client_command",
                                           u"%s",
                                           u"&",
                                           u"=",
                                           u"?",
                                           u"/",
                                           u".",
                                           u" ",
                                           u"\"",
                                           u"#",
                                           u"%",
                                           u"玩家",
                                           u"s12"};
  return ConsumeFromPieces(data, kPieces, max_units);
}

// Text as ConsumeUrlish, of a length of the provider's choice, so that what is consumed after it
// gets bytes too.
inline std::u16string ConsumeUrlishUpTo(FuzzedDataProvider& data, std::size_t max_units) {
  return ConsumeUrlish(data, data.ConsumeIntegralInRange<std::size_t>(0, max_units));
}

// Mostly a value in [low, high], where the rules have their cases; sometimes any value.
template <typename T>
T ConsumeMostlyInRange(FuzzedDataProvider& data, T low, T high) {
  return data.ConsumeBool() ? data.ConsumeIntegralInRange<T>(low, high) : data.ConsumeIntegral<T>();
}

// A property that must hold; a violation is reported as a crash so the fuzzer keeps the input.
#define VKR_FUZZ_CHECK(condition)                                                            \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (0)

}  // namespace vkr::fuzz
