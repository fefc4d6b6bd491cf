#pragma once
// ROMs built for a test from assembly source with RGBDS (rgbasm, rgblink, rgbfix from RGBDS_BIN
// or PATH), with the file offset of each label the linker placed.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

struct BuiltRom {
  std::vector<uint8_t> bytes;
  std::map<std::string, uint32_t> labels;  // name -> file offset
  uint32_t At(const std::string& label) const { return labels.at(label); }
};

// The folder holding rgbasm, rgblink and rgbfix; "" when they are not found.
inline std::string RgbdsTools() {
  namespace fs = std::filesystem;
  auto has = [](const fs::path& dir) {
    for (const char* tool : {"rgbasm", "rgblink", "rgbfix"}) {
      if (::access((dir / tool).c_str(), X_OK) != 0) return false;
    }
    return true;
  };
  if (const char* bin = std::getenv("RGBDS_BIN"); bin != nullptr && has(bin)) return bin;
  std::stringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string dir; std::getline(path, dir, ':');) {
    if (!dir.empty() && has(dir)) return dir;
  }
  return "";
}

// Assembles and links the source into a ROM fixed with `fixFlags`; nothing when RGBDS is missing.
// Throws when RGBDS refuses the source (its messages go to the test's output).
inline std::optional<BuiltRom> BuildRom(const std::string& source,
                                        const std::string& fixFlags = "-v -p 0xFF") {
  namespace fs = std::filesystem;
  const std::string tools = RgbdsTools();
  if (tools.empty()) return std::nullopt;
  std::string pattern = (fs::temp_directory_path() / "velmora-rgbds-XXXXXX").string();
  const fs::path dir = ::mkdtemp(pattern.data());
  std::ofstream(dir / "game.asm") << source;
  const std::string d = "'" + dir.string() + "/";
  const std::string command = "'" + tools + "/rgbasm' -o " + d + "game.o' " + d + "game.asm' && '" +
                              tools + "/rgblink' -n " + d + "game.sym' -o " + d + "game.gb' " + d +
                              "game.o' && '" + tools + "/rgbfix' " + fixFlags + " " + d +
                              "game.gb'";
  const int status = std::system(command.c_str());
  std::optional<BuiltRom> rom;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    fs::remove_all(dir);
    throw std::runtime_error("RGBDS refused the test's source");
  }
  {
    rom.emplace();
    std::ifstream in(dir / "game.gb", std::ios::binary);
    rom->bytes.assign(std::istreambuf_iterator<char>(in), {});
    std::ifstream sym(dir / "game.sym");
    for (std::string line; std::getline(sym, line);) {
      unsigned bank = 0, address = 0;
      char name[256];
      if (std::sscanf(line.c_str(), "%x:%x %255s", &bank, &address, name) != 3) continue;
      if (address >= 0x8000) continue;
      rom->labels[name] = bank * 0x4000 + (address & 0x3FFF);
    }
  }
  fs::remove_all(dir);
  return rom;
}
