#include "readback/image_diff.h"

#include <algorithm>

#include "documents/integer_rule.h"
#include "documents/pargen_document.h"
#include "documents/var_document.h"
#include "readback/image_decoding.h"
#include "readback/image_file.h"
#include "platform/clock.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/printable_text.h"

namespace fabrion {
namespace {

constexpr const char* kArrow = " \xE2\x86\x92 ";  // " → "

// One step through the rows of A and B: rows that are equal, a row of A
// that changed in B, a row only A has, a row only B has.
struct RowStep {
  enum Kind { kEqual, kChanged, kRemoved, kAdded } kind;
  std::size_t inA = 0;
  std::size_t inB = 0;
};

// The fields (of five) in which two records differ.
std::uint16_t FieldsDiffering(const TMyRec& x, const TMyRec& y) {
  return static_cast<std::uint16_t>((x.DataType != y.DataType) + (x.RtuAddress != y.RtuAddress) +
                                    (x.DeviceIp != y.DeviceIp) + (x.TcpAddress != y.TcpAddress) +
                                    (x.PointCount != y.PointCount));
}

// The cheapest alignment of A's rows with B's: a row kept costs the fields
// that changed in it, a row removed or added costs kGap. Because two gaps
// cost more than any change, rows at the same place pair up as changed, and
// a row inserted or deleted among equal rows is named once.
std::vector<RowStep> PairRows(const std::vector<TMyRec>& a, const std::vector<TMyRec>& b) {
  constexpr std::uint16_t kGap = 3;
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
    ++tail;
  const std::size_t n = a.size() - head - tail;
  const std::size_t m = b.size() - head - tail;

  // cost[i][j]: the cheapest alignment of A's middle from i with B's from j.
  std::vector<std::uint16_t> cost((n + 1) * (m + 1), 0);
  auto at = [&](std::size_t i, std::size_t j) -> std::uint16_t& { return cost[i * (m + 1) + j]; };
  auto kept = [&](std::size_t i, std::size_t j) {
    return FieldsDiffering(a[head + i], b[head + j]);
  };
  for (std::size_t i = n + 1; i-- > 0;) {
    for (std::size_t j = m + 1; j-- > 0;) {
      if (i == n && j == m) continue;
      std::uint16_t best = 0xFFFF;
      if (i < n && j < m) best = static_cast<std::uint16_t>(at(i + 1, j + 1) + kept(i, j));
      if (i < n) best = std::min<std::uint16_t>(best, at(i + 1, j) + kGap);
      if (j < m) best = std::min<std::uint16_t>(best, at(i, j + 1) + kGap);
      at(i, j) = best;
    }
  }

  std::vector<RowStep> steps;
  for (std::size_t k = 0; k < head; ++k) steps.push_back({RowStep::kEqual, k, k});
  std::size_t i = 0, j = 0;
  while (i < n || j < m) {
    if (i < n && j < m && at(i, j) == at(i + 1, j + 1) + kept(i, j)) {
      steps.push_back({kept(i, j) == 0 ? RowStep::kEqual : RowStep::kChanged, head + i, head + j});
      ++i;
      ++j;
    } else if (i < n && at(i, j) == at(i + 1, j) + kGap) {
      steps.push_back({RowStep::kRemoved, head + i++, 0});
    } else {
      steps.push_back({RowStep::kAdded, 0, head + j++});
    }
  }
  for (std::size_t k = 0; k < tail; ++k) steps.push_back({RowStep::kEqual, head + n + k, head + m + k});
  return steps;
}

std::string RowName(std::size_t inA, std::size_t inB) {
  std::string name = "Row " + std::to_string(inA + 1);
  if (inA != inB) name += ", now row " + std::to_string(inB + 1);
  return name;
}

std::string Quoted(const std::string& text) { return QuotedPrintable(text); }

}  // namespace

Configuration ReadConfiguration(std::string_view path) {
  if (!DirectoryExists(path)) return {ReadConfigImageFile(path), std::nullopt};
  Configuration configuration;
  FixedClock clock;  // the build stamp is no part of a comparison
  const BuildOutcome outcome = BuildConfigImage(path, clock, configuration.image);
  if (!outcome.complete) throw Error(outcome.reason);
  std::vector<std::string> mnemonics;
  for (const RowTexts& row : ReadTable(JoinPath(path, "var.xml")))
    mnemonics.push_back(row.complete() ? row.values.back() : std::string());
  configuration.mnemonics = std::move(mnemonics);
  if (const std::string parGen = JoinPath(path, "pargen.xml"); FileExists(parGen)) {
    const GeneralParameterTexts general = ReadGeneralParameterTexts(parGen);
    if (const auto& t = general.Text("TIME_OUT")) configuration.timeOut = ParseInteger(*t);
    if (const auto& t = general.Text("OFFSET")) configuration.dataOffset = ParseInteger(*t);
  }
  return configuration;
}

bool SameConfiguration(const ConfigImage& a, const ConfigImage& b) {
  for (std::size_t i = 0; i < kConfigImageSize; ++i)
    if (a[i] != b[i] && !IsBuildStampOffset(i)) return false;
  return true;
}

Differences CompareConfigurations(const Configuration& a, const Configuration& b) {
  Differences differences;
  std::vector<std::string>& lines = differences.configuration;
  const DecodedImage decodedA = DecodeConfigImage(a.image);
  const DecodedImage decodedB = DecodeConfigImage(b.image);

  std::vector<ValueWords> generalA = GeneralParameterWords(decodedA.general);
  std::vector<ValueWords> generalB = GeneralParameterWords(decodedB.general);
  // A project's own value, not the 16 bits the image kept of it.
  auto ownValues = [](const Configuration& side, std::vector<ValueWords>& words) {
    for (ValueWords& w : words) {
      if (w.name == "RTU time-out" && side.timeOut) w.value = std::to_string(*side.timeOut) + " ms";
      if (w.name == "System data offset" && side.dataOffset) w.value = std::to_string(*side.dataOffset);
    }
  };
  ownValues(a, generalA);
  ownValues(b, generalB);
  for (std::size_t k = 0; k < generalA.size(); ++k)
    if (generalA[k].value != generalB[k].value)
      lines.push_back(generalA[k].name + " " + generalA[k].value + kArrow + generalB[k].value);

  const std::vector<TMyRec>& rowsA = decodedA.rows;
  const std::vector<TMyRec>& rowsB = decodedB.rows;
  const std::vector<RowStep> steps = PairRows(rowsA, rowsB);
  for (const RowStep& step : steps) {
    if (step.kind == RowStep::kRemoved) {
      lines.push_back("Row " + std::to_string(step.inA + 1) + " removed: " + RecordWords(rowsA[step.inA]));
    } else if (step.kind == RowStep::kAdded) {
      lines.push_back("Row " + std::to_string(step.inB + 1) + " added: " + RecordWords(rowsB[step.inB]));
    } else if (step.kind == RowStep::kChanged) {
      const std::vector<ValueWords> fieldsA = RecordFieldWords(rowsA[step.inA]);
      const std::vector<ValueWords> fieldsB = RecordFieldWords(rowsB[step.inB]);
      std::string text = RowName(step.inA, step.inB) + ":";
      const char* separator = " ";
      for (std::size_t k = 0; k < fieldsA.size(); ++k) {
        if (fieldsA[k].value == fieldsB[k].value) continue;
        text += separator + fieldsA[k].name + " " + fieldsA[k].value + kArrow + fieldsB[k].value;
        separator = ", ";
      }
      lines.push_back(std::move(text));
    }
  }

  for (std::size_t i = 0; i < kConfigImageSize; ++i) {
    if (IsReservedOffset(i) && a.image[i] != b.image[i]) {
      lines.push_back("Reserved bytes, which the builder leaves zero, differ from offset " +
                      std::to_string(i));
      break;
    }
  }

  if (a.mnemonics && b.mnemonics) {
    auto mnemonic = [](const std::vector<std::string>& all, std::size_t row) {
      return row < all.size() ? all[row] : std::string();
    };
    for (const RowStep& step : steps) {
      if (step.kind != RowStep::kEqual && step.kind != RowStep::kChanged) continue;
      const std::string before = mnemonic(*a.mnemonics, step.inA);
      const std::string after = mnemonic(*b.mnemonics, step.inB);
      if (before != after)
        differences.mnemonics.push_back(RowName(step.inA, step.inB) + ": mnemonic " +
                                        Quoted(before) + kArrow + Quoted(after));
    }
  }
  return differences;
}

}  // namespace fabrion
