#include "export/HardwareNames.h"

#include <algorithm>
#include <array>

#include "model/NumberText.h"

namespace {

// Ascending by address.
constexpr HardwareRegister kRegisters[] = {
    {0xFF00, "rP1", "joypad: select buttons or directions (bits 5, 4), read them (bits 3-0)"},
    {0xFF01, "rSB", "serial transfer data"},
    {0xFF02, "rSC", "serial transfer control"},
    {0xFF04, "rDIV", "divider: counts up at 16384 Hz; a write clears it"},
    {0xFF05, "rTIMA", "timer counter"},
    {0xFF06, "rTMA", "timer modulo: loaded into TIMA when it overflows"},
    {0xFF07, "rTAC", "timer control"},
    {0xFF0F, "rIF", "interrupt flags"},
    {0xFF10, "rNR10", "sound channel 1 sweep"},
    {0xFF11, "rNR11", "sound channel 1 length and duty"},
    {0xFF12, "rNR12", "sound channel 1 volume envelope"},
    {0xFF13, "rNR13", "sound channel 1 period, low"},
    {0xFF14, "rNR14", "sound channel 1 period high and control"},
    {0xFF16, "rNR21", "sound channel 2 length and duty"},
    {0xFF17, "rNR22", "sound channel 2 volume envelope"},
    {0xFF18, "rNR23", "sound channel 2 period, low"},
    {0xFF19, "rNR24", "sound channel 2 period high and control"},
    {0xFF1A, "rNR30", "sound channel 3 on/off"},
    {0xFF1B, "rNR31", "sound channel 3 length"},
    {0xFF1C, "rNR32", "sound channel 3 output level"},
    {0xFF1D, "rNR33", "sound channel 3 period, low"},
    {0xFF1E, "rNR34", "sound channel 3 period high and control"},
    {0xFF20, "rNR41", "sound channel 4 length"},
    {0xFF21, "rNR42", "sound channel 4 volume envelope"},
    {0xFF22, "rNR43", "sound channel 4 frequency and randomness"},
    {0xFF23, "rNR44", "sound channel 4 control"},
    {0xFF24, "rNR50", "master volume and VIN panning"},
    {0xFF25, "rNR51", "sound panning"},
    {0xFF26, "rNR52", "sound on/off"},
    {0xFF30, "_AUD3WAVERAM", "sound channel 3 wave pattern, 16 bytes"},
    {0xFF40, "rLCDC", "LCD control"},
    {0xFF41, "rSTAT", "LCD status"},
    {0xFF42, "rSCY", "background scroll Y"},
    {0xFF43, "rSCX", "background scroll X"},
    {0xFF44, "rLY", "LCD Y coordinate (read only)"},
    {0xFF45, "rLYC", "LY compare"},
    {0xFF46, "rDMA", "OAM DMA source address / $100"},
    {0xFF47, "rBGP", "background palette (DMG)"},
    {0xFF48, "rOBP0", "object palette 0 (DMG)"},
    {0xFF49, "rOBP1", "object palette 1 (DMG)"},
    {0xFF4A, "rWY", "window Y position"},
    {0xFF4B, "rWX", "window X position plus 7"},
    {0xFF4D, "rKEY1", "CGB: prepare speed switch"},
    {0xFF4F, "rVBK", "CGB: VRAM bank"},
    {0xFF51, "rHDMA1", "CGB: VRAM DMA source, high"},
    {0xFF52, "rHDMA2", "CGB: VRAM DMA source, low"},
    {0xFF53, "rHDMA3", "CGB: VRAM DMA destination, high"},
    {0xFF54, "rHDMA4", "CGB: VRAM DMA destination, low"},
    {0xFF55, "rHDMA5", "CGB: VRAM DMA length, mode and start"},
    {0xFF56, "rRP", "CGB: infrared port"},
    {0xFF68, "rBCPS", "CGB: background palette index"},
    {0xFF69, "rBCPD", "CGB: background palette data"},
    {0xFF6A, "rOCPS", "CGB: object palette index"},
    {0xFF6B, "rOCPD", "CGB: object palette data"},
    {0xFF70, "rSVBK", "CGB: WRAM bank"},
    {0xFFFF, "rIE", "interrupt enable"},
};

}  // namespace

const HardwareRegister* HardwareRegisterAt(uint16_t address) {
  auto it = std::lower_bound(std::begin(kRegisters), std::end(kRegisters), address,
                             [](const HardwareRegister& r, uint16_t a) { return r.Address < a; });
  return it != std::end(kRegisters) && it->Address == address ? &*it : nullptr;
}

bool IsHardwareName(std::string_view name) {
  return std::any_of(std::begin(kRegisters), std::end(kRegisters),
                     [&](const HardwareRegister& r) { return r.Name == name; });
}

std::string HardwareIncText() {
  std::string out =
      "; The GameBoy's hardware registers, under the names GameBoy programmers use for them.\n"
      "; `ldh [rLCDC],a` writes the LCD control register at $FF40.\n\n";
  for (const HardwareRegister& r : kRegisters) {
    out += "DEF " + std::string(r.Name) + " EQU $" + IntToHex(r.Address, 4) + " ; " +
           std::string(r.What) + "\n";
  }
  return out;
}
