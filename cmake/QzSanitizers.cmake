# Instrumented builds: sanitizers over the whole project, and coverage for
# libFuzzer.
#
# The instrumentation goes on every C and C++ target, plug-ins included:
# the tests load the plug-ins with dlopen into an instrumented executable,
# and a report is only worth having if the code under test is instrumented
# too. Assembly is left as it is.
#
# clang links the sanitizer runtime into executables only and exports its
# entry points from there; the plug-ins (MODULE libraries) then reach it
# through the executable that loads them, so they are linked without
# --no-undefined in these builds (see QzShaderPlugin.cmake).

set(QZ_SANITIZE "" CACHE STRING "Sanitizers for every C/C++ target, as for -fsanitize= (address,undefined or thread)")
option(QZ_FUZZ "Build the fuzz targets with libFuzzer (clang only)" OFF)

set(QZ_INSTRUMENTED OFF)
if(QZ_SANITIZE OR QZ_FUZZ)
  set(QZ_INSTRUMENTED ON)
endif()

if(QZ_SANITIZE)
  # Any report ends the process with a failure: nothing is left to be read
  # in a log that nobody reads.
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:-fsanitize=${QZ_SANITIZE}>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-fno-sanitize-recover=all>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-fno-omit-frame-pointer>")
  add_link_options("-fsanitize=${QZ_SANITIZE}")
  # A host calls every shader entry through one generic pointer type
  # (result, state and block as untyped pointers), as the tests and fuzz
  # targets do; the C ABI makes that sound, and UBSan's C++ function-type
  # check would flag every such call.
  if(QZ_SANITIZE MATCHES "undefined")
    add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-fno-sanitize=function>")
  endif()
endif()

if(QZ_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QZ_FUZZ needs clang (libFuzzer); use the fuzz preset")
  endif()
endif()

# Coverage for libFuzzer, on the code under test only (plug-ins, binding
# layer, and whatever else links this target): the fuzz harnesses and the
# standard library stay out of it, so the fuzzer chases paths of the
# product. Source-based coverage rides along, so that a run can say which
# lines and branches its inputs reached (scripts/fuzz.sh); each module
# links its own profile runtime and writes its own profile at exit.
add_library(qz_fuzz_coverage INTERFACE)
if(QZ_FUZZ)
  target_compile_options(qz_fuzz_coverage INTERFACE
    "$<$<COMPILE_LANGUAGE:C,CXX>:-fsanitize=fuzzer-no-link>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-fprofile-instr-generate>"
    "$<$<COMPILE_LANGUAGE:C,CXX>:-fcoverage-mapping>")
  target_link_options(qz_fuzz_coverage INTERFACE -fprofile-instr-generate)
endif()
target_link_libraries(qz_plugin_options INTERFACE qz_fuzz_coverage)
