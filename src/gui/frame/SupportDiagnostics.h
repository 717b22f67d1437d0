#pragma once

#include <QString>

namespace orvo {

class COrvodeskApp;

// What Help > Copy Diagnostics puts on the clipboard, ready to paste into a support request:
// versions, the serial ports seen, and for each open link its counters and latest trace lines.
QString SupportDiagnosticsText(const COrvodeskApp& app);

} // namespace orvo
