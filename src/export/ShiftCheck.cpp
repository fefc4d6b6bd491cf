#include "export/ShiftCheck.h"

// POSIX sh, sed, cmp, od and awk: what a machine with make has. It reads the linker's symbol
// files of both builds and shiftcheck.refs, the export's list of the operands it wrote as names.
std::string ShiftcheckScript() {
  return R"SH(#!/bin/sh
# `make shiftcheck`: builds a copy of this source into build/shift/ with SHIFT bytes of padding
# at the start of every section that may move (bank 0 from 0150, every other bank), then checks
# with the linker's symbol files that every label moved by SHIFT, that every operand the export
# wrote as a name holds its label's new address, and that every other byte is where it was,
# SHIFT further on. Prints what did not and fails then.
# Arguments: rgbasm, rgblink, the pad value, the project's name, the ROM's file name.
set -e
RGBASM=$1 RGBLINK=$2 PAD=$3 NAME=$4 ROM=$5
SHIFT=${SHIFT:-1}
out=build/shift
mkdir -p "$out"
objects=
full=" "
for f in "$NAME.asm" bank_*.asm; do
  sed "/^SECTION \"ROM Bank /a\\
	ds $SHIFT, \$00 ; make shiftcheck" "$f" > "$out/$f"
  if ! "$RGBASM" -o "$out/${f%.asm}.o" "$out/$f" 2> "$out/${f%.asm}.log"; then
    # A bank without room at its end stays where it is.
    grep -q "grew too big" "$out/${f%.asm}.log" || { cat "$out/${f%.asm}.log" >&2; exit 1; }
    echo "$f: no room for $SHIFT more bytes, not shifted"
    cp "$f" "$out/$f"
    "$RGBASM" -o "$out/${f%.asm}.o" "$out/$f"
    bank=${f#bank_}
    full="$full$((0x${bank%.asm})) "
  fi
  objects="$objects $out/${f%.asm}.o"
done
# A section that the linker finds too long (bank 0's code, which starts at 0150) stays too.
while ! "$RGBLINK" -p "$PAD" -o "$out/$ROM" -n "$out/$NAME.sym" $objects 2> "$out/link.log"; do
  bank=$(sed -n 's/.*Section "ROM Bank \$\([0-9A-F]*\)".s end address.*/\1/p' "$out/link.log" | head -n 1)
  [ -n "$bank" ] || { cat "$out/link.log" >&2; exit 1; }
  case "$full" in *" $((0x$bank)) "*) cat "$out/link.log" >&2; exit 1 ;; esac
  echo "bank_$bank.asm: no room for $SHIFT more bytes, not shifted"
  cp "bank_$bank.asm" "$out/bank_$bank.asm"
  "$RGBASM" -o "$out/bank_$bank.o" "$out/bank_$bank.asm"
  full="$full$((0x$bank)) "
done

# The bytes that differ: "offset original shifted" (offsets in the original, decimal; bytes
# octal as cmp writes them). The code of each section that moves (shiftcheck.refs names them,
# up to where its fill starts; a label right there moves too) is compared SHIFT bytes further
# on; bank 0 below 0150 in place.
offset() { echo $(( 0x${1%%:*} == 0 ? 0x${1#*:} : 0x${1%%:*} * 16384 + 0x${1#*:} - 16384 )); }
cmp -l -n 336 "build/$ROM" "$out/$ROM" 0 0 | awk '{ print $1 - 1, $2, $3 }' > "$out/differences" || true
grep '^moves ' shiftcheck.refs | while read -r word from to; do
  begin=$(offset "$from")
  end=$(($(offset "$to") + 1))
  by=$SHIFT
  case "$full" in *" $((begin / 16384)) "*) by=0 ;; esac
  [ "$end" -gt "$begin" ] || continue
  cmp -l -n $((end - begin)) "build/$ROM" "$out/$ROM" "$begin" $((begin + by)) |
    awk -v at="$begin" '{ print at + $1 - 1, $2, $3 }' >> "$out/differences" || true
done

od -An -v -tu1 "$out/$ROM" | awk -v shift="$SHIFT" -v out="$out" -v name="$NAME" -v full="$full" '
  function offset(place,   b, a) {
    b = hex(substr(place, 1, index(place, ":") - 1)); a = hex(substr(place, index(place, ":") + 1))
    return b == 0 ? a : b * 16384 + a - 16384
  }
  function moves(o,   b) {
    b = int(o / 16384)
    return (b in movLo) && o >= movLo[b] && o < movHi[b] && !index(full, " " b " ") ? shift : 0
  }
  function hex(t,   i, v) {
    v = 0; t = toupper(t)
    for (i = 1; i <= length(t); i++) v = v * 16 + index("0123456789ABCDEF", substr(t, i, 1)) - 1
    return v
  }
  function place(o) { return sprintf("%02X:%04X", int(o / 16384), o < 16384 ? o : o % 16384 + 16384) }
  BEGIN {
    while ((getline line < "shiftcheck.refs") > 0) {
      if (split(line, f, " ") == 3 && f[1] == "moves") {
        o = offset(f[2]); movLo[int(o / 16384)] = o; movHi[int(o / 16384)] = offset(f[3]) + 2
      }
    }
    close("shiftcheck.refs")
    while ((getline line < ("build/" name ".sym")) > 0) {
      if (line ~ /^;/ || split(line, f, " ") < 2) continue
      was[f[2]] = offset(f[1])
    }
    while ((getline line < (out "/" name ".sym")) > 0) {
      if (line ~ /^;/ || split(line, f, " ") < 2) continue
      now[f[2]] = offset(f[1])
    }
    for (n in was) {
      labels++
      if (!(n in now)) { print "label " n ": gone from the shifted build"; bad++; continue }
      if (now[n] != was[n] + moves(was[n])) {
        print "label " n ": at " place(now[n]) ", expected " place(was[n] + moves(was[n])); bad++
      }
    }
    while ((getline line < "shiftcheck.refs") > 0) {
      if (line ~ /^#/ || split(line, f, " ") < 3 || f[1] == "moves") continue
      o = offset(f[1]); refs++
      refAt[o + moves(o)] = f[3]; refSize[o + moves(o)] = f[2] == "w" ? 2 : 1
      skip[o] = 1; if (f[2] == "w") skip[o + 1] = 1
      need[o + moves(o)] = 1; need[o + moves(o) + 1] = 1; need[o + moves(o) - 1] = 1
    }
    while ((getline line < (out "/differences")) > 0) {
      split(line, f, " ")
      if (!(f[1] in skip)) {
        if (moved++ < 20) print "byte " place(f[1]) ": " f[2] " (octal) became " f[3] " in the shifted build"
      }
    }
  }
  {
    for (i = 1; i <= NF; i++) { if (at in need) byte[at] = $i; at++ }
  }
  END {
    for (o in refAt) {
      n = refAt[o]
      if (refSize[o] == 2) {
        v = byte[o] + 256 * byte[o + 1]
        want = now[n] < 16384 ? now[n] : now[n] % 16384 + 16384
      } else {
        v = (byte[o] + (byte[o] >= 128 ? -256 : 0)) + (o - 1) + 2
        want = now[n]
      }
      if (!(n in now) || v != want) {
        print "reference at " place(o) " to " n ": holds " sprintf("$%04X", v) ", the label is at " place(now[n]); bad++
      }
    }
    if (moved > 0) print moved " other bytes changed"
    if (bad + moved > 0) { print "shiftcheck: FAILED"; exit 1 }
    printf "shiftcheck: %d labels moved by %d, %d references followed them, the other bytes did not change\n", labels, shift, refs
  }'
)SH";
}
