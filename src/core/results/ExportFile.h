#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace orvo {

// What the user is told when an export cannot be written; the system's reason goes on a second
// line where the caller can show one.
inline constexpr const char* kOutputFileError = "There was an error opening the output file!";

// Writes the parts in order to a temporary file beside `path` and renames it over `path` when
// all went well. On failure the target is untouched, nothing is left behind and `reason` gets the
// system's reason.
bool SaveExportFile(const std::string& path, std::initializer_list<std::string_view> parts,
                    std::string* reason = nullptr);

} // namespace orvo
