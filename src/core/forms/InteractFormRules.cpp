#include "forms/InteractFormRules.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "model/PrcRegisters.h"
#include "model/PrcTable.h"
#include "platform/Format.h"
#include "platform/NumberParse.h"

namespace orvo {

const std::array<RegisterListColumn, REGISTER_LIST_COLUMNS> REGISTER_LIST_COLUMN_SPECS = {{
    {"Name", 160},
    {"Value", 80},
    {"Min", 80},
    {"Max", 80},
    {"Default", 80},
    {"Logged", 30},
    {"Interval", 80},
    {"Delta", 80},
    {"Description", 80},
}};

std::string LoggedText(uint8_t mode, const char* unknown) {
    switch (mode) {
    case 0:
        return "Never";
    case 1:
        return "Delta";
    case 2:
        return "Header/Footer";
    default:
        return unknown;
    }
}

RegisterRow RegisterRowTexts(const PrcTable& table, int number) {
    const PrcLogging logging = table.Logging(number);
    return {
        table.ShortName(number),
        table.ValueText(number),
        FormatGeneral(table.Minimum(number)),
        FormatGeneral(table.Maximum(number)),
        FormatGeneral(table.Default(number)),
        LoggedText(logging.mode),
        FormatUnsigned(logging.interval),
        FormatFixed(logging.delta, 6),
        table.Description(number),
    };
}

bool RegisterEditable(int number, AccessMode mode, bool newFirmware, bool readOnly) {
    if (newFirmware && number == PRC_SERIAL_NUMBER)
        return false;
    if (mode != ACCESS_EXPERT)
        return false;
    return number == PRC_MASS_K0 || !readOnly;
}

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<double> ParseRegisterValue(std::string_view text, uint32_t type) {
    text = Trimmed(text);
    size_t used = 0;
    if (type & PRC_TYPE_INT) {
        // "%lu" would take "-1" for 2^64 - 1: an unsigned register gets no negative numbers.
        if (text.empty() || text.front() == '-')
            return std::nullopt;
        const std::optional<uint64_t> value = ParseCUnsigned(text, &used);
        if (!value || used != text.size() || *value > std::numeric_limits<uint32_t>::max())
            return std::nullopt;
        return double(*value);
    }
    if (type & PRC_TYPE_FLOAT) {
        const std::optional<double> value = ParseCDouble(text, &used);
        if (!value || used != text.size() || !std::isfinite(*value) ||
            std::fabs(*value) > double(std::numeric_limits<float>::max()))
            return std::nullopt;
        return *value;
    }
    return std::nullopt;
}

std::string NotANumberMessage(const std::string& name) {
    return "Please enter a number for " + name + ".";
}

bool SerialDigitsAcceptable(std::string_view text) {
    if (text.size() >= 8)
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool SerialCharactersAcceptable(std::string_view text) {
    return text.find_first_of("\\/:*?\"<>|") == std::string_view::npos;
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

int InitialLoadRange(bool fullList, bool firstLoad) {
    if (fullList)
        return firstLoad ? 367 : 183;
    return firstLoad ? 34 : 17;
}

int ReloadRange(bool fullList) {
    return fullList ? PRC_COUNT : 18;
}

std::string PrintedName(int position, const std::string& name) {
    const char* gap = position < 10 ? ".      " : position < 100 ? ".    " : ".  ";
    return FormatSigned(position) + gap + name;
}

int PrintPageCount(int rows, int rowsPerPage) {
    if (rows <= 0)
        return 0;
    if (rowsPerPage < 1)
        rowsPerPage = 1;
    return (rows + rowsPerPage - 1) / rowsPerPage;
}

} // namespace orvo
