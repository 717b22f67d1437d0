#pragma once

#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace orvo {

class PrcTable;

// The register list on paper: Arial at 55 units of 1/600 inch, one line per row, a heading on
// every page. Every row is printed, whatever page range the print job was given.
class RegisterListPrint {
public:
    // Rows are register numbers in list order. Returns the pages printed (0 when the device
    // cannot be painted on).
    static int Print(QPagedPaintDevice& device, const PrcTable& table, const std::vector<int>& rows);

    // Rows that fit on one page of the device's paint area.
    static int RowsPerPage(QPainter& painter, int pageHeight);
};

} // namespace orvo
