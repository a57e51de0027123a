#pragma once
// What the fuzz targets and the corpus replay test demand of the readers.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "documents/gateway_codes.h"
#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "platform/error.h"

namespace fabrion::fuzz {

// The input being replayed by the corpus test, named when a property fails.
inline std::string currentInput;

// A property that does not hold is a fault: stop loudly so the fuzzer keeps the input.
inline void Require(bool holds) {
  if (holds) return;
  if (!currentInput.empty()) std::fprintf(stderr, "a fuzz property fails on %s\n", currentInput.c_str());
  std::abort();
}

// The dialog's reading of any bytes either fails with the core's Error or
// gives values that the writer writes and the reader reads back unchanged.
inline void CheckGeneralParameters(std::string_view bytes) {
  GeneralParameters read;
  try {
    read = ParseGeneralParameters(bytes);
  } catch (const Error&) {
    return;
  }
  Require(read.baudIndex == kNoBaudCode || IsBaudCode(read.baudIndex));
  Require(ParityPositionOfCode(ParityCodeOfPosition(read.parityIndex)) == read.parityIndex);
  Require(read.addressRtu >= kMinRtuAddress && read.addressRtu <= kMaxRtuAddress);
  Require(ParseGeneralParameters(GeneralParametersXml(read)) == read);
}

// The table reading of any bytes either fails with Error or gives at most
// 1400 rows of which only the last may be incomplete.
inline void CheckTable(std::string_view bytes) {
  std::vector<RowTexts> rows;
  try {
    rows = ParseTable(bytes);
  } catch (const Error&) {
    return;
  }
  Require(rows.size() <= static_cast<std::size_t>(kMaxTranslateRows));
  for (std::size_t i = 0; i + 1 < rows.size(); ++i) Require(rows[i].complete());
}

}  // namespace fabrion::fuzz
