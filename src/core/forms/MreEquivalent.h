#pragma once

namespace orvo {

class DeviceRequests;
class PrcTable;

// "MRE Equivalent..." of the Options menu: the box shows register 149, OK writes it back in
// one command; Cancel writes nothing.
bool MreEquivalentChecked(const PrcTable& registers);
void WriteMreEquivalent(DeviceRequests& io, bool enabled);

} // namespace orvo
