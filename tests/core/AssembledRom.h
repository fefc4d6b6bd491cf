#pragma once
// ROMs that RGBDS builds from a source written in a test: the image, padded with D3 (no
// instruction, so a stray decode ends at once), and the places of its labels.

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct AssembledRom {
  std::vector<uint8_t> image;                  // empty when RGBDS is missing or the build failed
  std::map<std::string, uint32_t> labels;      // name -> file offset
  std::string symbols;                         // the symbol file as rgblink wrote it
  std::string error;

  uint32_t At(const std::string& name) const {
    const auto it = labels.find(name);
    return it == labels.end() ? 0xFFFFFFFFu : it->second;
  }
};

// The folder holding rgbasm and rgblink (RGBDS_BIN, else PATH), or "".
inline std::string RgbdsBin() {
  const auto has = [](const std::filesystem::path& dir) {
    return ::access((dir / "rgbasm").c_str(), X_OK) == 0 &&
           ::access((dir / "rgblink").c_str(), X_OK) == 0;
  };
  if (const char* bin = std::getenv("RGBDS_BIN"); bin != nullptr && has(bin)) return bin;
  std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string dir; std::getline(path, dir, ':');)
    if (!dir.empty() && has(dir)) return dir;
  return "";
}

inline AssembledRom Assemble(const std::string& source) {
  namespace fs = std::filesystem;
  AssembledRom out;
  const std::string bin = RgbdsBin();
  if (bin.empty()) return out;
  std::string tmpl = (fs::temp_directory_path() / "velmora-asm-XXXXXX").string();
  const fs::path dir = ::mkdtemp(tmpl.data());
  std::ofstream(dir / "rom.asm") << source;
  const std::string command = "cd '" + dir.string() + "' && ('" + bin +
                              "/rgbasm' -o rom.o rom.asm && '" + bin +
                              "/rgblink' -p 0xD3 -n rom.sym -o rom.gb rom.o) > log 2>&1";
  const int status = std::system(command.c_str());
  const auto read = [&](const char* name) {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    out.error = read("log");
  } else {
    const std::string rom = read("rom.gb");
    out.image.assign(rom.begin(), rom.end());
    out.symbols = read("rom.sym");
    std::istringstream lines(out.symbols);
    for (std::string line; std::getline(lines, line);) {
      unsigned bank = 0, address = 0;
      char name[256];
      if (std::sscanf(line.c_str(), "%x:%x %255s", &bank, &address, name) == 3 && address < 0x8000)
        out.labels[name] = bank * 0x4000 + (address & 0x3FFF);
    }
  }
  fs::remove_all(dir);
  return out;
}
