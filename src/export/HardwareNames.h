#pragma once
// The GameBoy's hardware registers under the names GameBoy programmers know them by (rLCDC,
// rSTAT, rIE, ...), and hardware.inc, the file of an exported source that defines them.

#include <cstdint>
#include <string>
#include <string_view>

struct HardwareRegister {
  uint16_t Address;
  std::string_view Name;
  std::string_view What;
};

// The register at an address (FF00-FF7F and FFFF), or nullptr.
const HardwareRegister* HardwareRegisterAt(uint16_t address);
// Whether a name is one that hardware.inc defines.
bool IsHardwareName(std::string_view name);
// hardware.inc: one DEF per register, with what it does.
std::string HardwareIncText();
