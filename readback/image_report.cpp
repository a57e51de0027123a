#include "readback/image_report.h"

#include "readback/image_decoding.h"

namespace fabrion {

ImageReport DescribeConfigImage(const ConfigImage& image) {
  const DecodedImage decoded = DecodeConfigImage(image);
  ImageReport report;
  for (const ValueWords& words : GeneralParameterWords(decoded.general))
    report.general.push_back(words.name + " " + words.value);
  report.general.push_back("Build date and time " + BuildStampText(decoded.general.buildTime,
                                                                   decoded.general.buildDate));
  for (std::size_t i = 0; i < decoded.rows.size(); ++i)
    if (decoded.rows[i] != TMyRec{})
      report.rows.push_back("Row " + std::to_string(i + 1) + ": " + RecordWords(decoded.rows[i]));
  return report;
}

}  // namespace fabrion
