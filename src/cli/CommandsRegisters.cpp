#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliParse.h"
#include "CliSession.h"
#include "Commands.h"
#include "link/Protocol.h"
#include "model/PrcTable.h"

namespace orvo {

namespace {

// The monitor's answer may leave out a register (or refuse the request outright); a value that
// never arrived must not be printed as if it had.
int CheckAnswered(const CliSession& session, const SessionProgress& before, const std::vector<int>& numbers) {
    const SessionProgress after = session.Progress();
    for (int number : numbers) {
        if (after.registers[size_t(number)] == before.registers[size_t(number)]) {
            PrintError("the monitor did not answer for register " + std::to_string(number));
            return EXIT_FAILED;
        }
    }
    return EXIT_OK;
}

std::vector<int> ParseRegisterList(const std::vector<std::string>& texts) {
    std::vector<int> numbers;
    for (const std::string& text : texts) {
        const std::optional<int> number = ParseRegisterNumber(text);
        if (!number)
            throw CLI::ValidationError("'" + text + "' is not a register number (0 to 183)");
        numbers.push_back(*number);
    }
    return numbers;
}

// "N=VALUE", the value as the register's type can hold it.
std::pair<int, double> ParseAssignment(const std::string& text) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos)
        throw CLI::ValidationError("'" + text + "' is not of the form N=VALUE");
    const std::string numberText = text.substr(0, equals);
    const std::string valueText = text.substr(equals + 1);
    const std::optional<int> number = ParseRegisterNumber(numberText);
    if (!number)
        throw CLI::ValidationError("'" + numberText + "' is not a register number (0 to 183)");
    const std::optional<double> value = ParseDecimal(valueText);
    if (!value)
        throw CLI::ValidationError("'" + valueText + "' is not a number (register " + numberText + ")");
    const PrcDefinition* definition = FindPrcDefinition(*number);
    if (definition->type & PRC_TYPE_INT) {
        if (*value < 0 || *value > 4294967295.0 || std::floor(*value) != *value)
            throw CLI::ValidationError("register " + numberText +
                                       " holds whole numbers from 0 to 4294967295, not '" + valueText + "'");
    } else if (std::fabs(*value) > 3.4028234663852886e38) {
        throw CLI::ValidationError("'" + valueText + "' does not fit register " + numberText);
    }
    return {*number, *value};
}

} // namespace

int ReadRegisterValues(CliSession& session, const std::vector<int>& numbers) {
    const CliSession::Exchanged exchanged = session.Exchange([&numbers](CDeviceLink& link) {
        for (size_t first = 0; first < numbers.size(); first += MAX_REGISTERS_PER_REQUEST) {
            const size_t last = std::min(numbers.size(), first + MAX_REGISTERS_PER_REQUEST);
            if (!link.ReadRegisters({numbers.begin() + first, numbers.begin() + last}))
                return false;
        }
        return true;
    });
    if (exchanged.status != EXIT_OK)
        return exchanged.status;
    return CheckAnswered(session, exchanged.before, numbers);
}

int WriteRegisterValues(CliSession& session, const std::vector<std::pair<int, double>>& values) {
    const CliSession::Exchanged exchanged = session.Exchange([&values](CDeviceLink& link) {
        for (size_t first = 0; first < values.size(); first += MAX_REGISTERS_PER_REQUEST) {
            const size_t last = std::min(values.size(), first + MAX_REGISTERS_PER_REQUEST);
            if (!link.WriteRegisters({values.begin() + first, values.begin() + last}))
                return false;
        }
        return true;
    });
    if (exchanged.status != EXIT_OK)
        return exchanged.status;
    std::vector<int> numbers;
    for (const auto& [number, value] : values)
        numbers.push_back(number);
    return CheckAnswered(session, exchanged.before, numbers);
}

void PrintRegisterLines(const COrvodeskDoc& doc, const std::vector<int>& numbers) {
    const PrcTable& table = doc.Registers();
    for (int number : numbers)
        std::printf("%3d  %-28s %s\n", number, table.ShortName(number).c_str(),
                    table.ValueText(number).c_str());
}

void AddReadCommand(CLI::App& app, CliCommands& commands) {
    auto texts = std::make_shared<std::vector<std::string>>();
    auto numbers = std::make_shared<std::vector<int>>();
    CLI::App* sub = app.add_subcommand("read", "Read registers and print number, short name and value");
    sub->add_option("N", *texts, "Register numbers, 0 to 183")->required();
    sub->parse_complete_callback([texts, numbers] { *numbers = ParseRegisterList(*texts); });
    commands.push_back({sub, [numbers](CliSession& session) {
                            const int status = ReadRegisterValues(session, *numbers);
                            if (status == EXIT_OK)
                                PrintRegisterLines(session.Doc(), *numbers);
                            return status;
                        }});
}

void AddWriteCommand(CLI::App& app, CliCommands& commands) {
    auto texts = std::make_shared<std::vector<std::string>>();
    auto values = std::make_shared<std::vector<std::pair<int, double>>>();
    CLI::App* sub = app.add_subcommand("write", "Write registers, then print the values the monitor kept");
    sub->add_option("N=VALUE", *texts, "Register number and value; decimals with a point")->required();
    sub->parse_complete_callback([texts, values] {
        values->clear();
        for (const std::string& text : *texts)
            values->push_back(ParseAssignment(text));
    });
    commands.push_back({sub, [values](CliSession& session) {
                            const int status = WriteRegisterValues(session, *values);
                            if (status != EXIT_OK)
                                return status;
                            std::vector<int> numbers;
                            for (const auto& [number, value] : *values)
                                numbers.push_back(number);
                            PrintRegisterLines(session.Doc(), numbers);
                            return status;
                        }});
}

} // namespace orvo
