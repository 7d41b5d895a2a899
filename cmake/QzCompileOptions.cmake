# Compiler settings shared by every target of the project.
#
# Floating-point results must be bit-exact on every platform, so the compiler
# may neither contract a*b+c into a fused multiply-add nor reorder operations:
# -ffp-contract=off everywhere, and never -ffast-math.

add_library(qz_compile_options INTERFACE)
target_compile_options(qz_compile_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
  -ffp-contract=off
  $<$<BOOL:${QZ_WARNINGS_AS_ERRORS}>:-Werror>)
# On Windows every module links the compiler's own runtime (libgcc, libstdc++,
# winpthread) statically: a plug-in must load into the renderer, and a test
# program under Wine, with nothing beside it but the system's own DLLs.
target_link_options(qz_compile_options INTERFACE $<$<BOOL:${MINGW}>:-static>)

# Code that runs inside the renderer: no exceptions, no RTTI, nothing exported
# unless it says so.
add_library(qz_plugin_options INTERFACE)
target_link_libraries(qz_plugin_options INTERFACE qz_compile_options)
target_compile_options(qz_plugin_options INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>
  -fvisibility=hidden
  $<$<COMPILE_LANGUAGE:CXX>:-fvisibility-inlines-hidden>)
