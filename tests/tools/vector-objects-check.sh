#!/usr/bin/env bash
# Checks the objects of the AVX2 and AVX-512 paths, as compiled:
# - no aligned 256/512-bit move that addresses the stack (%rsp, %esp, %rbp,
#   %ebp): the Windows ABI only promises 16-byte stack alignment, and such a
#   move faults whenever the stack happens to be misaligned (Wine does not
#   show it);
# - no fused multiply-add: it rounds once where the arithmetic rounds twice;
# - no code the linker may share with other files (COMDAT or weak sections,
#   as out-of-line inline functions get): another file's call could land in
#   code for an instruction set the processor lacks;
# - and that each object holds vector code of its width, so the check cannot
#   pass by looking at nothing.
# Usage: vector-objects-check.sh OBJDUMP OBJECT...
set -uo pipefail
objdump=$1
shift
checked=0 failed=0
for object in "$@"; do
    case $object in
        *Avx512.cpp.o|*Avx512.cpp.obj) width=zmm ;;
        *Avx2.cpp.o|*Avx2.cpp.obj) width=ymm ;;
        *) continue ;;
    esac
    checked=$((checked + 1))
    code=$("$objdump" -d --no-show-raw-insn "$object") || { echo "cannot disassemble $object"; failed=1; continue; }
    aligned=$(grep -E '\svmov(ap[sd]|dqa(32|64)?|nt[a-z]*)\s' <<<"$code" | grep -E '%[yz]mm' |
              grep -E '\(%(r|e)?(sp|bp)[,)]')
    if [ -n "$aligned" ]; then
        echo "$object: aligned vector moves on the stack:"
        echo "$aligned" | head -5
        failed=1
    fi
    fused=$(grep -E '\svf(n)?m(add|sub)' <<<"$code")
    if [ -n "$fused" ]; then
        echo "$object: fused multiply-add:"
        echo "$fused" | head -5
        failed=1
    fi
    shared=$("$objdump" -h "$object" | awk '{print $2}' | grep -E '^\.(text|rdata|data)[.$]_Z|^\.gnu\.linkonce')
    if [ -n "$shared" ]; then
        echo "$object: sections the linker may share with other files:"
        echo "$shared" | head -5
        failed=1
    fi
    if ! grep -q "%$width" <<<"$code"; then
        echo "$object: no $width instruction found"
        failed=1
    fi
done
echo "vector objects checked: $checked"
if [ $checked -eq 0 ]; then
    echo "no AVX2 or AVX-512 object was given"
    exit 1
fi
exit $failed
