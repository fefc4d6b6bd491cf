#pragma once
// The GameBoy itself, on mGBA's core library: a cartridge image loaded from memory (the image as
// it stands, unsaved edits included), run a frame or an instruction at a time, buttons in, the
// screen out, and while it runs a log of what the CPU did with each ROM byte. No boot ROM; the
// model (GameBoy or GameBoy Color) comes from the cartridge header.

#include <cstdint>
#include <memory>
#include <vector>

#include "model/CodeDataLog.h"

constexpr int kScreenWidth = 160;
constexpr int kScreenHeight = 144;
// Frames a second of the real machine: 4194304 clocks / 70224 clocks a frame.
constexpr double kFramesPerSecond = 4194304.0 / 70224.0;

// The joypad, one bit per button as the cartridge's hardware sees them pressed.
enum EmulatorButton : uint8_t {
  kButtonA = 0x01,
  kButtonB = 0x02,
  kButtonSelect = 0x04,
  kButtonStart = 0x08,
  kButtonRight = 0x10,
  kButtonLeft = 0x20,
  kButtonUp = 0x40,
  kButtonDown = 0x80,
};

struct EmulatorRegisters {
  uint8_t A = 0, F = 0, B = 0, C = 0, D = 0, E = 0, H = 0, L = 0;
  uint16_t SP = 0, PC = 0;
  uint32_t Bank = 0;  // the ROM bank seen at 4000-7FFF
};

class Emulator {
 public:
  Emulator();
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  // Loads a copy of the bytes as the cartridge and starts it as after power-on. Throws an error
  // Failure when the bytes are too few to hold a header, or mGBA refuses them.
  void Load(const uint8_t* bytes, uint32_t size);
  // Power-on again; the log is kept.
  void Reset();
  // Records the log while the game runs (off by default: a run without it is faster).
  void SetLogging(bool on);
  // The buttons held from now on, EmulatorButton bits.
  void SetButtons(uint8_t buttons);
  void RunFrame();
  // Runs one instruction.
  void Step();

  // 160x144 pixels, row by row, each 3 bytes R, G, B.
  std::vector<uint8_t> ScreenRgb() const;
  // The same pixels as mGBA keeps them: 32 bits each, bytes R, G, B, unused in memory order.
  const uint32_t* Screen() const;
  uint32_t FrameCount() const;
  EmulatorRegisters Registers() const;
  // The file offset that the CPU reads at this address now (bank 0 or the switched bank), or
  // -1 for an address outside the cartridge ROM.
  int64_t RomOffset(uint16_t address) const;

  // What the CPU did with each ROM byte since the load (kLogCode, kLogData, kLogStart, ...).
  const CodeDataLog& Log() const;
  void ClearLog();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl;
};
