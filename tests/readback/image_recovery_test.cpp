#include "readback/image_recovery.h"

#include <gtest/gtest.h>

#include <random>

#include "fakes/temp_folder.h"
#include "readback/image_decoding.h"
#include "readback/image_diff.h"
#include "firmware/firmware_files.h"
#include "platform/clock.h"

namespace fabrion {
namespace {

void PutRecord(ConfigImage& image, std::size_t row, std::initializer_list<std::uint8_t> bytes) {
  std::size_t at = row * kTranslateRecordSize;
  for (std::uint8_t b : bytes) image[at++] = b;
}

// The image the recovered documents build when written and read back as files.
ConfigImage RebuiltFromFiles(const RecoveredDocuments& documents) {
  test::TempFolder folder;
  const std::string project = folder / "recovered";
  WriteRecoveredDocuments(project, documents);
  FixedClock clock;
  ConfigImage image{};
  EXPECT_TRUE(BuildConfigImage(project, clock, image).complete);
  return image;
}

TEST(RecoverDocuments, GivesTheDialogsFormsOfTheSampleImage) {
  const Recovery recovery = RecoverDocuments(test::SampleImage());
  ASSERT_TRUE(recovery.documents) << recovery.refusals.front();
  const RecoveredDocuments& d = *recovery.documents;
  GeneralParameters expected;
  expected.ip = {"192", "168", "1", "10"};
  expected.gateway = {"192", "168", "1", "1"};
  expected.parityIndex = 2;  // EVEN
  expected.offset = "5";
  expected.addressRtu = 247;
  EXPECT_EQ(d.general, expected);
  ASSERT_EQ(d.rows.size(), 2u);
  EXPECT_EQ(d.rows[1], (TMyRec{1, 10000, {10, 0, 0, 7}, 1000, 1, ""}));
  EXPECT_EQ(d.buildStamp, "2026-12-09 13:45:58");
  EXPECT_TRUE(d.notes.empty());
}

TEST(RecoverDocuments, KeepsWhatTheDocumentsHoldAndNotesWhatTheDialogQuestions) {
  ConfigImage image = test::SampleImage();
  image[kBaudOffset] = 255;                               // "-1": no rate selected
  image[kParityOffset] = 3;                               // odd
  image[kModeOffset] = 0;
  const char name[14] = "\t\xE9\x80 x";                   // tab, e acute, euro sign
  std::copy(name, name + 14, image.begin() + kSnmpPrivateOffset);
  PutRecord(image, 2, {});                                // rows 3 and 4 all zero
  PutRecord(image, 4, {9, 1, 0, 1, 2, 3, 4, 0, 0, 200});  // unknown type, 200 points
  const Recovery recovery = RecoverDocuments(image);
  ASSERT_TRUE(recovery.documents) << recovery.refusals.front();
  const RecoveredDocuments& d = *recovery.documents;
  EXPECT_EQ(d.general.baudIndex, -1);
  EXPECT_EQ(d.general.parityIndex, 1);
  EXPECT_FALSE(d.general.natMode);
  EXPECT_EQ(d.general.snmpPrivate, "\t\xC3\xA9\xE2\x82\xAC x");
  EXPECT_EQ(d.rows.size(), 5u);
  EXPECT_EQ(d.notes, (std::vector<std::string>{
                         "Rows 3 to 4 are all zero in the image; var.xml keeps them as rows of "
                         "data type 0, which the Translate Table dialog asks you to change before "
                         "it saves the table.",
                         "Row 5 has data type code 9, which the Translate Table dialog asks you to "
                         "change before it saves the table.",
                         "Row 5 has 200 points, more than the 126 the Translate Table dialog saves."}));
  EXPECT_TRUE(SameConfiguration(RebuiltFromFiles(d), image));
}

TEST(RecoverDocuments, RefusesWhatNoDocumentCanExpress) {
  const std::string community =
      ": no name pargen.xml can hold gives these bytes (a byte that stands for no character, a "
      "control character or bytes after the name's end)";
  const struct {
    const char* what;
    std::vector<std::pair<std::size_t, std::uint8_t>> bytes;
    std::vector<std::string> refusals;
  } cases[] = {
      {"parity 1", {{kParityOffset, 1}},
       {"Parity code 1: pargen.xml holds the codes 0 (none), 2 (even) and 3 (odd)"}},
      {"baud 8", {{kBaudOffset, 8}},
       {"Baud rate code 8: pargen.xml holds the codes 0 to 7 (1200 to 115200 baud) and 255 (no "
        "rate selected)"}},
      {"mode 2", {{kModeOffset, 2}},
       {"Operation mode code 2: pargen.xml holds the codes 0 (Routing Mode) and 1 (NAT Mode)"}},
      {"RTU address 0", {{kAddressRtuOffset, 0}}, {"RTU address 0: pargen.xml holds 1 to 255"}},
      {"byte with no character", {{kSnmpPublicOffset + 1, 0x81}},
       {"SNMP community (public) \"k\\x81mbri\"" + community}},
      {"control character", {{kSnmpPublicOffset, 0x01}},
       {"SNMP community (public) \"\\x01ombri\"" + community}},
      {"byte after the name", {{kSnmpPrivateOffset + 9, 'x'}},
       {"SNMP community (private) \"drevant\\x00\\x00x\"" + community}},
      {"no zero end", {{kSnmpPrivateOffset + 13, 'x'}},
       {"SNMP community (private) \"drevant\\x00\\x00\\x00\\x00\\x00\\x00x\"" + community}},
      {"reserved after the table", {{14000, 1}},
       {"Reserved bytes hold data from offset 14000: no document puts anything there"}},
      {"reserved at the end", {{16383, 1}},
       {"Reserved bytes hold data from offset 16383: no document puts anything there"}},
      {"two at once", {{kParityOffset, 1}, {kModeOffset, 7}},
       {"Parity code 1: pargen.xml holds the codes 0 (none), 2 (even) and 3 (odd)",
        "Operation mode code 7: pargen.xml holds the codes 0 (Routing Mode) and 1 (NAT Mode)"}},
  };
  for (const auto& c : cases) {
    ConfigImage image = test::SampleImage();
    for (const auto& [offset, value] : c.bytes) image[offset] = value;
    const Recovery recovery = RecoverDocuments(image);
    EXPECT_FALSE(recovery.documents) << c.what;
    EXPECT_EQ(recovery.refusals, c.refusals) << c.what;
  }
}

// Images of every kind, most of them within what the documents hold: each is
// either recovered into documents that build it again, or refused.
TEST(RecoverDocuments, NeverGivesDocumentsThatBuildAnotherImage) {
  std::mt19937 random(15);
  auto byte = [&](int below = 256) { return static_cast<std::uint8_t>(random() % below); };
  int recovered = 0;
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE(round);
    ConfigImage image{};
    for (std::size_t at = kGeneralBlockOffset; at < kGeneralBlockEnd; ++at) image[at] = byte();
    const bool tame = round % 4 != 0;  // three in four stay within the documents' values
    if (tame) {
      image[kBaudOffset] = byte(8);
      image[kParityOffset] = std::array<std::uint8_t, 3>{0, 2, 3}[byte(3)];
      image[kModeOffset] = byte(2);
      image[kAddressRtuOffset] = static_cast<std::uint8_t>(1 + byte(255));
      for (std::size_t field : {kSnmpPublicOffset, kSnmpPrivateOffset}) {
        const std::size_t length = byte(14);
        for (std::size_t i = 0; i < 14; ++i)
          image[field + i] = i < length ? static_cast<std::uint8_t>(0x20 + byte(0x5F)) : 0;
      }
    }
    const std::size_t rows = byte() * 5;
    for (std::size_t at = 0; at < rows * kTranslateRecordSize; ++at)
      image[at] = byte(4) == 0 ? 0 : byte();
    const Recovery recovery = RecoverDocuments(image);
    if (tame) {
      EXPECT_TRUE(recovery.documents) << recovery.refusals.front();
    }
    if (!recovery.documents) {
      EXPECT_FALSE(recovery.refusals.empty());
      continue;
    }
    ++recovered;
    EXPECT_TRUE(SameConfiguration(RebuiltFromFiles(*recovery.documents), image));
  }
  EXPECT_GE(recovered, 50 * 3 / 4);  // at least the tame ones
}

}  // namespace
}  // namespace fabrion
