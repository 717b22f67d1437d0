#pragma once

#include <string>
#include <string_view>

namespace orvo {

// A proposed file name made of text from a monitor or a file (serial number, mine ID): a name,
// never a path. Path separators, control characters and the characters file systems refuse
// (\ / : * ? " < > |) become "_", and so does a name of only dots, so the file always lands in
// the folder the user chose.
std::string SafeFileName(std::string_view name);

} // namespace orvo
