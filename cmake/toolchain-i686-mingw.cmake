# The 32-bit Windows build: Velmora.8bf as PE32.
set(VELMORA_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
