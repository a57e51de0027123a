#pragma once
// The configuration image in words a user reads: the general parameters and
// every translate-table row ("IP 192.168.1.10", "9600 baud",
// "Holding Register, RTU 100 to device 192.168.1.20 at 0, 10 points").
#include <string>
#include <vector>

#include "firmware/config_image.h"

namespace fabrion {

struct ImageReport {
  std::vector<std::string> general;  // one line per parameter, in image order
  std::vector<std::string> rows;     // "Row 1: ..." for every record that is not all zero
};

ImageReport DescribeConfigImage(const ConfigImage& image);

}  // namespace fabrion
