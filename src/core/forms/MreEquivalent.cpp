#include "forms/MreEquivalent.h"

#include "link/DeviceRequests.h"
#include "model/PrcRegisters.h"
#include "model/PrcTable.h"

namespace orvo {

bool MreEquivalentChecked(const PrcTable& registers) {
    return registers.Value(PRC_MRE_EQUIVALENT) > 0.0;
}

void WriteMreEquivalent(DeviceRequests& io, bool enabled) {
    io.WriteRegisters({{PRC_MRE_EQUIVALENT, enabled ? 1.0 : 0.0}});
}

} // namespace orvo
