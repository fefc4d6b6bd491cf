// The emulator of a build without mGBA's core library: nothing runs. The program hides its run
// commands then; a caller that asks anyway is told why.
#include "model/Failure.h"
#include "run/Emulator.h"

struct Emulator::Impl {
  CodeDataLog log;
};

Emulator::Emulator() : impl(std::make_unique<Impl>()) {}
Emulator::~Emulator() = default;
void Emulator::Load(const uint8_t*, uint32_t) {
  throw ErrorFailure("Velmora was built without mGBA's core library: it cannot run a game.");
}
void Emulator::Reset() {}
void Emulator::SetLogging(bool) {}
void Emulator::SetButtons(uint8_t) {}
void Emulator::RunFrame() {}
void Emulator::Step() {}
std::vector<uint8_t> Emulator::ScreenRgb() const {
  return std::vector<uint8_t>(kScreenWidth * kScreenHeight * 3);
}
const uint32_t* Emulator::Screen() const {
  static const std::vector<uint32_t> black(kScreenWidth * kScreenHeight);
  return black.data();
}
uint32_t Emulator::FrameCount() const { return 0; }
EmulatorRegisters Emulator::Registers() const { return {}; }
int64_t Emulator::RomOffset(uint16_t) const { return -1; }
const CodeDataLog& Emulator::Log() const { return impl->log; }
void Emulator::ClearLog() {}
