#include "service/ConfigImport.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "link/DeviceRequests.h"
#include "model/PrcRegisters.h"
#include "model/PrcTable.h"
#include "platform/MessageService.h"
#include "platform/ReadFile.h"
#include "service/XmlReader.h"

namespace orvo {

namespace {

// Texts in the file are parsed whole and by the C locale's rules: a value that does not read as
// a number is a formatting error rather than a zero written into a calibration constant. Blanks
// around the number are no part of it (an attribute keeps them: version="2.0 ").
std::string_view NumberText(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    text = text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    return text;
}

std::optional<int64_t> ParseInteger(std::string_view text) {
    text = NumberText(text);
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> ParseDecimal(std::string_view text) {
    text = NumberText(text);
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

constexpr size_t kSerialTextBytes = 12;

std::string SerialText(std::string text) {
    if (text.size() > kSerialTextBytes)
        text.resize(kSerialTextBytes);
    return text;
}

} // namespace

ConfigImportResult ConfigImport::Run(const std::string& path) {
    std::string bytes;
    std::string reason;
    if (!ReadWholeFile(path, bytes, &reason)) {
        ShowError(reason);
        ShowError(CONFIG_NOT_CONFIGURATION);
        return {ConfigImportOutcome::FileNotOpened};
    }
    return RunBytes(bytes);
}

ConfigImportResult ConfigImport::RunBytes(std::string_view fileBytes) {
    const double serial = m_table.Value(PRC_SERIAL_NUMBER);
    m_serialNumber = serial > 0 && serial <= 4294967295.0 ? uint32_t(serial) : 0;
    XmlError code = XML_NO_ERROR;
    const XmlNode root = XmlReader().Load(fileBytes, "OrvoML", &code);
    if (root.IsEmpty()) {
        ShowError(CONFIG_NOT_CONFIGURATION);
        return {ConfigImportOutcome::NotConfiguration};
    }
    return Import(root);
}

void ConfigImport::ShowError(const std::string& text) {
    m_messages.Show(text, {}, MessageIcon::Stop);
}

bool ConfigImport::Malformed(ConfigImportResult& result) {
    ShowError(CONFIG_FORMAT_ERROR);
    result.outcome = ConfigImportOutcome::Malformed;
    return false;
}

ConfigImportResult ConfigImport::Import(const XmlNode& root) {
    ConfigImportResult result;
    const std::optional<std::string> versionText = root.Attribute("version");
    const std::optional<double> version = versionText ? ParseDecimal(*versionText) : std::nullopt;
    if (!version) {
        Malformed(result);
        return result;
    }

    if (m_newFirmware) {
        const XmlNode serial = root.Child("SerialNumber");
        if (!serial.IsEmpty()) {
            const std::optional<std::string> text = serial.Text();
            if (!text) {
                Malformed(result);
                return result;
            }
            Queued(m_link.SetSerialText(SerialText(*text)), result);
            result.reload = true;
        }
    } else if (*version > 1.0) {
        if (m_messages.Show(CONFIG_NEWER_FIRMWARE_QUESTION, CONFIG_QUESTION_TITLE, MessageIcon::Warning,
                            MessageButtons::YesNo) != MessageAnswer::Yes) {
            result.outcome = ConfigImportOutcome::Declined;
            return result;
        }
        result.reload = true;
    }

    const XmlNode list = root.Child("PRCList");
    if (list.IsEmpty() || list.ChildCount("PRC") == 0) {
        ShowError(CONFIG_NOT_CONFIGURATION);
        result.outcome = ConfigImportOutcome::NotConfiguration;
        return result;
    }
    int index = 0;
    for (XmlNode prc = list.Child("PRC", &index); !prc.IsEmpty(); prc = list.Child("PRC", &index)) {
        if (!WritePrc(prc, result))
            return result;
    }

    result.outcome = ConfigImportOutcome::Completed;
    m_messages.Show(CONFIG_IMPORT_COMPLETE, {}, MessageIcon::Information);
    if (result.reload && m_reloadAll)
        m_reloadAll();
    Queued(m_link.RequestTemplateName(), result);
    return result;
}

bool ConfigImport::WritePrc(const XmlNode& prc, ConfigImportResult& result) {
    if (prc.ChildCount("Number") != 1 || prc.ChildCount("Value") != 1)
        return Malformed(result);
    const std::optional<std::string> numberText = prc.Child("Number").Text();
    const std::optional<std::string> valueText = prc.Child("Value").Text();
    if (!numberText || !valueText)
        return Malformed(result);
    const std::optional<int64_t> number = ParseInteger(*numberText);
    if (!number || *number < std::numeric_limits<int32_t>::min() ||
        *number > std::numeric_limits<int32_t>::max())
        return Malformed(result);
    const int n = int(*number);

    // A number outside the table has no type: nothing is written for it.
    const uint32_t type = m_table.Type(n);
    if (type & PRC_TYPE_INT) {
        if (n == PRC_SERIAL_NUMBER && m_newFirmware) {
            // Newer firmware keeps the serial number as text; the register is cleared.
            Queued(m_link.SetSerialText(SerialText(*valueText)), result);
            Queued(m_link.WriteRegisters({{PRC_SERIAL_NUMBER, 0.0}}), result);
            result.reload = true;
            return true;
        }
        const std::optional<int64_t> value = ParseInteger(*valueText);
        if (!value || *value < 0 || *value > int64_t(std::numeric_limits<uint32_t>::max()))
            return Malformed(result);
        Queued(m_link.WriteRegisters({{n, double(*value)}}), result);
        if (n == PRC_SERIAL_NUMBER && uint32_t(*value) == m_serialNumber)
            result.reload = true;
    } else if (type & PRC_TYPE_FLOAT) {
        const std::optional<double> value = ParseDecimal(*valueText);
        if (!value || std::fabs(*value) > double(std::numeric_limits<float>::max()))
            return Malformed(result);
        Queued(m_link.WriteRegisters({{n, *value}}), result);
    }
    return true;
}

} // namespace orvo
