#!/usr/bin/env bash
# The 32-bit DLL's entry point as built: the host's PluginMain is the SSE2
# guard, and the guard's object holds no SSE instruction, so that a processor
# without SSE2 reaches its message instead of an illegal instruction.
# Usage: entry-guard-check.sh OBJDUMP NM DLL OBJECT... (the DLL's objects; the guard's is among them)
set -uo pipefail
objdump=$1 nm=$2 dll=$3
shift 3
guard=
for object in "$@"; do case $object in *Sse2Guard.cpp.obj|*Sse2Guard.cpp.o) guard=$object ;; esac; done
[ -n "$guard" ] || { echo "no guard object among the DLL's objects"; exit 1; }
failed=0
sse=$("$objdump" -d --no-show-raw-insn "$guard" | grep -E '%xmm|\s(movs[sd]|cvt|ucomis|comis|pxor|movdq)' | head -5)
if [ -n "$sse" ]; then echo "the guard's object uses SSE:"; echo "$sse"; failed=1; fi
base=$("$objdump" -p "$dll" | awk '/^ImageBase/ { print $2 }')
guard_at=$("$nm" "$dll" | awk '$3 == "_PluginMainChecked" { print $1 }')
# The export address table lists RVAs in ordinal order; the name table gives each name's ordinal.
ordinal=$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] PluginMain$/\1/p' | head -1)
rva=$("$objdump" -p "$dll" |
      sed -n "s/^[[:space:]]*\[ *$ordinal\] +base\[ *[0-9]*\] \([0-9a-f]*\) Export RVA.*/\1/p" | head -1)
if [ -z "$guard_at" ] || [ -z "$rva" ] || [ $((0x$guard_at - 0x$base)) -ne $((0x$rva)) ]; then
    echo "PluginMain is not exported as the SSE2 guard (guard ${guard_at:-missing}, export RVA ${rva:-missing}, base $base)"
    failed=1
fi
[ $failed -eq 0 ] && echo "ok - PluginMain is the SSE2 guard, built without SSE"
exit $failed
