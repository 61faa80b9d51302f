// Comparing two frames' pictures pixel by pixel, outside a test's mask.
#pragma once

#include <string>
#include <vector>

namespace grade {

// Reads a mask picture: a pixel is ignored when it is painted, that is
// neither black nor fully transparent. False with the reason when it cannot
// be read or is not width x height.
bool read_mask(const std::string& path, int width, int height, std::vector<bool>* ignored,
               std::string* why);

// How many pixels of two PNG files differ, the ignored ones (when given)
// left out; -1 if either cannot be read or their sizes differ (or differ
// from the mask's).
long count_differing(const std::string& expected, const std::string& actual,
                     const std::vector<bool>& ignored = {});

// The same count, and a picture of the difference: the differing pixels in
// red on a dimmed copy of the expected picture, the ignored ones tinted
// blue. -1 if it cannot be made.
long write_difference(const std::string& expected, const std::string& actual,
                      const std::string& difference, const std::vector<bool>& ignored = {});

}  // namespace grade
