#!/usr/bin/env bash
# Times `velmora-cli disasm` of a whole 8 MiB ROM with 50,000 labels against GNU objdump's
# GameBoy disassembler on the same file, both to /dev/null, in one run (the two commands take
# turns, so a busy machine slows both alike).
#
# Needs a built build/velmora-cli (or VELMORA_CLI=path), GNU objdump for the GameBoy CPU (Debian:
# apt-get install binutils-z80; not part of scripts/setup.sh) and hyperfine or farm-bench.
# RUNS=n sets the number of timed runs of each (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${VELMORA_CLI:-build/velmora-cli}")
objdump=${OBJDUMP:-z80-unknown-coff-objdump}
runs=${RUNS:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Random bytes decode as a mix of every opcode, as code and data do in a real ROM.
head -c 8388608 /dev/urandom >"$work/rom.gb"
# 50,000 labels spread evenly over the 512 banks ("BBB:AAAA" from bank $100 on).
awk 'BEGIN {
  for (i = 0; i < 50000; i++) {
    off = int(i * 8388608 / 50000); bank = int(off / 16384)
    addr = bank == 0 ? off : off % 16384 + 16384
    printf(bank < 256 ? "%02X:%04X L_%d\n" : "%03X:%04X L_%d\n", bank, addr, i)
  }
}' >"$work/rom.sym"

velmora="$cli disasm $work/rom.gb --sym $work/rom.sym"
gnu="$objdump -m gbz80 -z -D -b binary $work/rom.gb"
echo "velmora: $($velmora | wc -l) lines; objdump: $($gnu | wc -l) lines"
if command -v hyperfine >/dev/null; then
  hyperfine --warmup 1 --runs "$runs" --output null -n velmora-cli "$velmora" -n objdump "$gnu"
elif command -v farm-bench >/dev/null; then
  farm-bench -n "$runs" --timeout 900 --vs "sh -c 'exec $gnu >/dev/null'" -- \
    sh -c "exec $velmora >/dev/null"
else
  echo "Neither hyperfine nor farm-bench is installed." >&2
  exit 1
fi
