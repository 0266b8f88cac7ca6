# The 64-bit Windows build: Velmora.8bf as PE32+.
set(VELMORA_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
