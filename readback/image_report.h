#pragma once
// The configuration image in words a user reads, one line a value: the
// general parameters ("IP address 192.168.1.10", "Baud rate 9600") and every
// translate-table row that is not all zero ("Row 1: Holding Register, RTU
// address 100, device 192.168.1.20, TCP address 0, 10 points").
#include <string>
#include <vector>

#include "firmware/config_image.h"

namespace fabrion {

struct ImageReport {
  std::vector<std::string> general;  // one line per parameter, in image order, then the build stamp
  std::vector<std::string> rows;     // "Row 1: ..." for every record that is not all zero
};

ImageReport DescribeConfigImage(const ConfigImage& image);

}  // namespace fabrion
