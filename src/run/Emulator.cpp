#include "run/Emulator.h"

#include <cstring>

#include "isa/Decoder.h"
#include "model/Failure.h"

extern "C" {
#include <mgba/core/core.h>
#include <mgba/core/log.h>
#include <mgba/gb/core.h>
#include <mgba/internal/gb/gb.h>
#include <mgba/internal/gb/memory.h>
#include <mgba/internal/sm83/sm83.h>
#include <mgba-util/vfs.h>
}

// How the log is recorded. The SM83 core of mGBA reaches memory through function pointers in its
// SM83Memory: cpuLoad8 for every byte read at PC (opcodes and their operands), load8 for data
// reads, and setActiveRegion, which the core calls whenever PC leaves the region it reads
// from and which then puts a fast reader for that region into cpuLoad8. The emulator puts its own
// readers in their place: each asks the original reader for the byte and, when the address lies
// in the cartridge ROM (0000-7FFF), marks the file offset that the current bank maps it to. The
// wrapped setActiveRegion puts the wrapper back after the core changed cpuLoad8. This costs one
// extra call per memory read, watches every read the CPU makes (nothing is sampled) and needs no
// debugger, whose per-instruction stepping would be many times slower. The reads of OAM DMA
// bypass the pointers: a game copying sprites straight from ROM does not mark them as data.
//
// Which read is an opcode: the wrapper knows each instruction's length from its first byte, so
// after an opcode it takes as many reads at PC as operands, and the read after them as the next
// opcode (the core fetches every operand, also of a conditional jump not taken). An opcode that
// does not follow the one before is a call's or jump's target; the interrupt handlers' first
// opcodes are known by the core asking for the vector (irqVector, also wrapped).

namespace {

// What a change of PC after an instruction says about where it landed.
enum class Flow : uint8_t { Straight, Call, Jump };

constexpr Flow FlowOf(uint8_t op) {
  switch (op) {
    case 0xC4: case 0xCC: case 0xCD: case 0xD4: case 0xDC: case 0xC7: case 0xCF: case 0xD7:
    case 0xDF: case 0xE7: case 0xEF: case 0xF7: case 0xFF:
      return Flow::Call;
    case 0xC2: case 0xC3: case 0xCA: case 0xD2: case 0xDA: case 0xE9: case 0x18: case 0x20:
    case 0x28: case 0x30: case 0x38:
      return Flow::Jump;
    default:
      return Flow::Straight;
  }
}

// mGBA reports what it finds odd about a cartridge on its default logger; a run says nothing.
void SilentLog(mLogger*, int, mLogLevel, const char*, va_list) {}
mLogger silentLogger = {SilentLog, nullptr};

}  // namespace

struct Emulator::Impl {
  mCore* core = nullptr;
  GB* gb = nullptr;
  SM83Core* cpu = nullptr;
  std::vector<uint32_t> screen = std::vector<uint32_t>(kScreenWidth * kScreenHeight);
  CodeDataLog log;
  bool logging = false;

  // The core's own readers, called by the wrappers.
  uint8_t (*cpuLoad8)(SM83Core*, uint16_t) = nullptr;
  uint8_t (*load8)(SM83Core*, uint16_t) = nullptr;
  void (*setActiveRegion)(SM83Core*, uint16_t) = nullptr;
  uint16_t (*irqVector)(SM83Core*) = nullptr;
  int nesting = 0;          // > 0 while a wrapped read runs: the core's inner reads pass through
  int operandsLeft = 0;     // reads at PC still to come for the current instruction
  uint16_t nextPc = 0;      // where the current instruction would go on without a jump
  Flow lastFlow = Flow::Straight;
  bool interrupted = false;  // the next opcode is an interrupt handler's first

  // The emulator that runs on this thread: the wrappers get only the CPU.
  static thread_local Impl* running;

  int64_t Offset(uint16_t address) const {
    if (address >= 0x8000) return -1;
    const GBMemory& m = gb->memory;
    const uint8_t* base = address < 0x4000 ? m.romBase : m.romBank;
    if (m.mbcType == GB_MBC6 && address >= 0x6000) base = m.romBank1 - 0x2000;
    return (base - m.rom) + (address & 0x3FFF);
  }
  void Mark(uint16_t address, uint8_t flags) {
    const int64_t at = Offset(address);
    if (at >= 0 && at < static_cast<int64_t>(log.Flags.size())) log.Flags[at] |= flags;
  }

  static uint8_t CpuLoad8(SM83Core* cpu, uint16_t address) {
    Impl& e = *running;
    if (e.nesting > 0) return e.cpuLoad8(cpu, address);
    ++e.nesting;
    const uint8_t value = e.cpuLoad8(cpu, address);
    --e.nesting;
    if (e.operandsLeft > 0) {
      --e.operandsLeft;
      e.Mark(address, kLogCode);
      return value;
    }
    uint8_t flags = kLogCode | kLogStart;
    if (e.interrupted || (address != e.nextPc && e.lastFlow == Flow::Call)) {
      flags |= kLogSubEntry;
    } else if (address != e.nextPc && e.lastFlow == Flow::Jump) {
      flags |= kLogJumpTarget;
    }
    e.interrupted = false;
    e.Mark(address, flags);
    e.operandsLeft = InstructionLength(value) - 1;
    e.nextPc = static_cast<uint16_t>(address + InstructionLength(value));
    e.lastFlow = FlowOf(value);
    return value;
  }
  static uint8_t Load8(SM83Core* cpu, uint16_t address) {
    Impl& e = *running;
    e.Mark(address, kLogData);
    return e.load8(cpu, address);
  }
  // The core asks for the vector only when it takes an interrupt.
  static uint16_t IrqVector(SM83Core* cpu) {
    Impl& e = *running;
    e.interrupted = true;
    return e.irqVector(cpu);
  }
  static void SetActiveRegion(SM83Core* cpu, uint16_t address) {
    Impl& e = *running;
    e.setActiveRegion(cpu, address);
    e.cpuLoad8 = cpu->memory.cpuLoad8;
    cpu->memory.cpuLoad8 = CpuLoad8;
  }

  bool Hooked() const { return cpu->memory.setActiveRegion == SetActiveRegion; }
  // Gives the core its own readers back.
  void Unhook() {
    if (!Hooked()) return;
    cpu->memory.setActiveRegion = setActiveRegion;
    cpu->memory.cpuLoad8 = cpuLoad8;
    cpu->memory.load8 = load8;
    cpu->irqh.irqVector = irqVector;
  }
  // Puts the wrappers in front of the core's readers.
  void Hook() {
    if (Hooked()) return;
    SM83Memory& m = cpu->memory;
    cpuLoad8 = m.cpuLoad8;
    load8 = m.load8;
    setActiveRegion = m.setActiveRegion;
    m.cpuLoad8 = CpuLoad8;
    m.load8 = Load8;
    m.setActiveRegion = SetActiveRegion;
    irqVector = cpu->irqh.irqVector;
    cpu->irqh.irqVector = IrqVector;
    interrupted = false;
    operandsLeft = 0;
    nextPc = cpu->pc;
    lastFlow = Flow::Straight;
  }
};

thread_local Emulator::Impl* Emulator::Impl::running = nullptr;

Emulator::Emulator() : impl(std::make_unique<Impl>()) {}

Emulator::~Emulator() {
  if (impl->core) {
    mCoreConfigDeinit(&impl->core->config);
    impl->core->deinit(impl->core);
  }
}

void Emulator::Load(const uint8_t* bytes, uint32_t size) {
  if (impl->core) {
    mCoreConfigDeinit(&impl->core->config);
    impl->core->deinit(impl->core);
    impl->core = nullptr;
  }
  // Without a boot ROM nothing checks the header's logo: any image that has a header runs.
  if (size < 0x150) {
    throw ErrorFailure("The image cannot be run: it is shorter than a GameBoy header (0150 bytes).");
  }
  mLogSetDefaultLogger(&silentLogger);
  VFile* file = VFileMemChunk(bytes, size);
  mCore* core = GBCoreCreate();
  if (!core || !core->init(core)) throw ErrorFailure("The emulator could not be started.");
  mCoreInitConfig(core, nullptr);
  mCoreConfigSetIntValue(&core->config, "useBios", 0);
  core->setVideoBuffer(core, impl->screen.data(), kScreenWidth);
  if (!core->loadROM(core, file)) {
    file->close(file);
    mCoreConfigDeinit(&core->config);
    core->deinit(core);
    throw ErrorFailure("The image cannot be run: the emulator refused it.");
  }
  impl->core = core;
  impl->gb = static_cast<GB*>(core->board);
  impl->cpu = static_cast<SM83Core*>(core->cpu);
  impl->log.Flags.assign(size, 0);
  Reset();
}

void Emulator::Reset() {
  Impl::running = impl.get();
  // A reset sets the core's memory readers anew: the wrappers go out first and back in after.
  impl->Unhook();
  impl->core->reset(impl->core);
  if (impl->logging) impl->Hook();
}

void Emulator::SetLogging(bool on) {
  impl->logging = on;
  if (!impl->core) return;
  if (on) {
    impl->Hook();
  } else {
    impl->Unhook();
  }
}

void Emulator::SetButtons(uint8_t buttons) {
  impl->core->setKeys(impl->core, buttons);
}

void Emulator::RunFrame() {
  Impl::running = impl.get();
  impl->core->runFrame(impl->core);
}

void Emulator::Step() {
  Impl::running = impl.get();
  impl->core->step(impl->core);
}

std::vector<uint8_t> Emulator::ScreenRgb() const {
  std::vector<uint8_t> rgb(kScreenWidth * kScreenHeight * 3);
  for (size_t i = 0; i < impl->screen.size(); ++i) {
    const uint32_t pixel = impl->screen[i];
    rgb[i * 3] = pixel & 0xFF;
    rgb[i * 3 + 1] = (pixel >> 8) & 0xFF;
    rgb[i * 3 + 2] = (pixel >> 16) & 0xFF;
  }
  return rgb;
}

const uint32_t* Emulator::Screen() const { return impl->screen.data(); }

uint32_t Emulator::FrameCount() const { return impl->core->frameCounter(impl->core); }

EmulatorRegisters Emulator::Registers() const {
  const SM83Core& c = *impl->cpu;
  EmulatorRegisters r;
  r.A = c.a;
  r.F = c.f.packed;
  r.B = c.b;
  r.C = c.c;
  r.D = c.d;
  r.E = c.e;
  r.H = c.h;
  r.L = c.l;
  r.SP = c.sp;
  r.PC = c.pc;
  r.Bank = impl->gb->memory.currentBank;
  return r;
}

int64_t Emulator::RomOffset(uint16_t address) const {
  const int64_t at = impl->Offset(address);
  return at < static_cast<int64_t>(impl->log.Flags.size()) ? at : -1;
}

const CodeDataLog& Emulator::Log() const { return impl->log; }

void Emulator::ClearLog() { std::fill(impl->log.Flags.begin(), impl->log.Flags.end(), 0); }
