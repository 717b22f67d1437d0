#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "service/XmlNode.h"

namespace orvo {

class DeviceRequests;
class MessageService;
class PrcTable;

inline constexpr const char* CONFIG_NOT_CONFIGURATION = "File does not contain configuration data";
inline constexpr const char* CONFIG_FORMAT_ERROR =
    "File formatting error\nA PRC number or value may be missing";
inline constexpr const char* CONFIG_NEWER_FIRMWARE_QUESTION =
    "Warning:\nThe configuration file was saved from a Orvo with a newer version of firmware.\n"
    "If you continue, all settings except the serial number will be written to the Orvo.\n\n"
    "Do you wish to continue?";
inline constexpr const char* CONFIG_QUESTION_TITLE = "Orvodesk";
inline constexpr const char* CONFIG_IMPORT_COMPLETE = "Import complete\nValues will refresh in a few seconds";

enum class ConfigImportOutcome {
    Completed,        // every PRC written, the completion message shown
    Declined,         // the user would not write a newer firmware's file; nothing was sent
    FileNotOpened,    // the system's reason and "File does not contain configuration data" shown
    NotConfiguration, // "File does not contain configuration data" shown
    Malformed,        // the formatting message shown; the writes before it stay sent
};

struct ConfigImportResult {
    ConfigImportOutcome outcome = ConfigImportOutcome::NotConfiguration;
    bool reload = false;   // the register list must be read again
    bool allQueued = true; // false when the link refused a command
};

// The import of a configuration file into the connected monitor, as calls on the link's senders.
// Messages and the version question go through the message service (errors with the stop icon,
// the question as Yes/No with the warning icon and the caption "Orvodesk"). When the register
// list must be read again, `reloadAll` runs after the completion message. After an import that
// completed the logging template name is requested; one that the user declined or that stopped at
// an error message sends nothing more.
class ConfigImport {
public:
    ConfigImport(const PrcTable& table, bool newFirmware, DeviceRequests& link, MessageService& messages,
                 std::function<void()> reloadAll = {})
        : m_table(table), m_newFirmware(newFirmware), m_link(link), m_messages(messages),
          m_reloadAll(std::move(reloadAll)) {}

    ConfigImportResult Run(const std::string& path);
    // The same for file bytes already read.
    ConfigImportResult RunBytes(std::string_view fileBytes);

private:
    ConfigImportResult Import(const XmlNode& root);
    bool Malformed(ConfigImportResult& result);
    void ShowError(const std::string& text);
    bool WritePrc(const XmlNode& prc, ConfigImportResult& result);
    void Queued(bool ok, ConfigImportResult& result) { result.allQueued = result.allQueued && ok; }

    const PrcTable& m_table;
    const bool m_newFirmware;
    DeviceRequests& m_link;
    MessageService& m_messages;
    std::function<void()> m_reloadAll;
    uint32_t m_serialNumber = 0;
};

} // namespace orvo
