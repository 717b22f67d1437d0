#pragma once

#include <cstdint>
#include <string>

namespace orvo {

// The text the status list and the status changes show for a mask of 0.
inline constexpr const char* kNoStatusConditions = "NO STATUS CONDITIONS";

// Text of one bit of register 4 (STATUS CODE), bit 0 to 15; "" for any other bit.
const char* StatusBitText(int bit);

// The texts of the mask's bits 0 to 15 in bit order, joined by ";" without a blank; "" for 0.
std::string StatusMaskText(uint32_t mask);

// As StatusMaskText, but "NO STATUS CONDITIONS" for a mask without any of the 16 bits.
std::string StatusConditionsText(uint32_t mask);

// Register 103 (MASS REJECT CODE): 0 "", 1 "Shocked", 2 "Tilted", 3 "Spike", 4 and above "Unknown".
const char* MassRejectText(uint32_t code);

} // namespace orvo
