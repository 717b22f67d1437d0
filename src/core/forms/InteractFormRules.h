#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/COrvodeskDoc.h"

namespace orvo {

class PrcTable;

// Texts of the register form.
inline constexpr const char* INTERACT_SERIAL_DIGITS =
    "Please enter the Serial Number in seven digits or less (numeric only)!";
inline constexpr const char* INTERACT_SERIAL_CHARS =
    "The following characters can not be used in a serial number:\n\\ / : * ? \" < > |";
inline constexpr const char* INTERACT_SERIAL_CHARS_TITLE = "Serial Number Error";
inline constexpr const char* INTERACT_NOT_CONNECTED = "Orvo not connected";
inline constexpr const char* INTERACT_FACTORY_QUESTION =
    "Are you sure you want to reset all logging data and values to factory defaults?";

constexpr int REGISTER_LIST_COLUMNS = 9;
using RegisterRow = std::array<std::string, REGISTER_LIST_COLUMNS>;

// The list's columns: heading and initial width in pixels; after a fill each is sized to its
// content and kept at least REGISTER_LIST_MIN_WIDTH wide.
struct RegisterListColumn {
    const char* heading;
    int width;
};
extern const std::array<RegisterListColumn, REGISTER_LIST_COLUMNS> REGISTER_LIST_COLUMN_SPECS;
constexpr int REGISTER_LIST_MIN_WIDTH = 80;

// The nine texts of register n's row: name, value, min, max, default ("%g"), logged, interval,
// delta ("%f"), description.
RegisterRow RegisterRowTexts(const PrcTable& table, int number);
// "Never", "Delta", "Header/Footer", anything else `unknown` ("???" in the list, "?????" printed).
std::string LoggedText(uint8_t mode, const char* unknown = "???");

// Whether the value of register n may be written from the list. Newer firmware sets the serial
// number only as text; expert mode may write MASS K0 although it is marked read-only.
bool RegisterEditable(int number, AccessMode mode, bool newFirmware, bool readOnly);

// The value edit's text for a register of the given type: "%lu" for integer registers, "%lf" for
// float ones, the whole text (blanks around it allowed). Nothing for a text that is not a number,
// a negative or over-large integer, or a float the monitor cannot hold.
std::optional<double> ParseRegisterValue(std::string_view text, uint32_t type);
std::string NotANumberMessage(const std::string& name); // "Please enter a number for %s."

// The value edit's serial number: at most seven characters, digits only.
bool SerialDigitsAcceptable(std::string_view text);
// The Serial Number group's entry: none of \ / : * ? " < > |.
bool SerialCharactersAcceptable(std::string_view text);
std::string UpperCase(std::string text);

// The update count the progress bar of a load expects.
int InitialLoadRange(bool fullList, bool firstLoad); // 367 / 183, 34 / 17
int ReloadRange(bool fullList);                      // 184, 18

// The printed register list: "%d.      %s", "%d.    %s" or "%d.  %s" so that names line up.
std::string PrintedName(int position, const std::string& name);
// Pages for `rows` at `rowsPerPage` (at least one row a page), rounded up.
int PrintPageCount(int rows, int rowsPerPage);

} // namespace orvo
