#include "forms/BuiltInLoggingTemplate.h"

namespace orvo {

namespace {

constexpr uint32_t ON_DELTA_60 = 61; // every "On Delta" entry has the interval 60
constexpr uint32_t HEADER_FOOTER = 1;

struct Entry {
    int number;
    uint32_t code;
    float delta;
};

constexpr Entry kEntries[] = {
    {4, ON_DELTA_60, 0.0f},     {105, ON_DELTA_60, 0.0f},   {34, ON_DELTA_60, 1.0f},
    {47, ON_DELTA_60, 1.0f},    {141, ON_DELTA_60, 1.0f},   {54, ON_DELTA_60, 0.1f},
    {79, ON_DELTA_60, 0.1f},    {86, ON_DELTA_60, 0.1f},    {87, ON_DELTA_60, 0.1f},
    {67, ON_DELTA_60, 0.05f},   {60, ON_DELTA_60, 0.01f},   {107, ON_DELTA_60, 0.01f},
    {110, ON_DELTA_60, 0.01f},  {111, ON_DELTA_60, 0.01f},  {112, ON_DELTA_60, 0.01f},
    {114, ON_DELTA_60, 0.01f},  {117, ON_DELTA_60, 0.01f},  {118, ON_DELTA_60, 0.01f},
    {120, ON_DELTA_60, 0.01f},  {0, HEADER_FOOTER, 0.0f},   {1, HEADER_FOOTER, 0.0f},
    {14, HEADER_FOOTER, 0.0f},  {15, HEADER_FOOTER, 0.0f},  {41, HEADER_FOOTER, 0.0f},
    {46, HEADER_FOOTER, 0.0f},  {72, HEADER_FOOTER, 0.0f},  {96, HEADER_FOOTER, 0.0f},
    {97, HEADER_FOOTER, 0.0f},  {143, HEADER_FOOTER, 0.0f}, {149, HEADER_FOOTER, 0.0f},
    {150, HEADER_FOOTER, 0.0f}, {152, HEADER_FOOTER, 0.0f},
};

} // namespace

LoggingSetting BuiltInLoggingSetting(int number) {
    for (const Entry& e : kEntries)
        if (e.number == number)
            return {e.code, e.delta};
    return {0, 0.0f};
}

} // namespace orvo
