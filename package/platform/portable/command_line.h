// The program's own arguments, given after "--" to a layer's main, as the
// one command line WinMain receives on Windows.
#pragma once

#include <string>
#include <vector>

#include "platform/layer_only.h"

namespace portable {

// Joins the arguments with single spaces, each quoted so that the Microsoft
// C runtime splits the line back into exactly these arguments: an argument
// that is empty or holds a blank or a double quote is put in double quotes;
// inside them a quote is escaped with a backslash, and the backslashes that
// stand before a quote, or before the closing quote, are doubled. Other
// backslashes stay as they are.
std::string windows_command_line(const std::vector<std::string>& arguments);

}  // namespace portable
