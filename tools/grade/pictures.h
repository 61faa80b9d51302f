// Comparing two frames' pictures pixel by pixel.
#pragma once

#include <string>

namespace grade {

// How many pixels of two PNG files differ; -1 if either cannot be read or
// their sizes differ.
long count_differing(const std::string& expected, const std::string& actual);

// The same count, and a picture of the difference: the differing pixels in
// red on a dimmed copy of the expected picture. -1 if it cannot be made.
long write_difference(const std::string& expected, const std::string& actual,
                      const std::string& difference);

}  // namespace grade
