# Installs the build into WORK_DIR/prefix, moves nothing else along, and
# renders an example with the installed qzrender: the runtime library must be
# found through the executable's RPATH, the plug-ins and declarations through
# the installed folders.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${WORK_DIR}/prefix"
  OUTPUT_QUIET RESULT_VARIABLE installed)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "install into ${WORK_DIR}/prefix failed")
endif()
file(COPY "${EXAMPLES_DIR}/gradient.mi" DESTINATION "${WORK_DIR}/scene")
set(ENV{MI_LIBRARY_PATH} "")
set(ENV{MI_RAY_INCPATH} "")
set(ENV{LD_LIBRARY_PATH} "")
execute_process(COMMAND "${WORK_DIR}/prefix/bin/qzrender" "${WORK_DIR}/scene/gradient.mi"
    -o "${WORK_DIR}/gradient.png" --res 32 24 --quiet
  RESULT_VARIABLE rendered ERROR_VARIABLE errors)
if(NOT rendered EQUAL 0 OR NOT EXISTS "${WORK_DIR}/gradient.png")
  message(FATAL_ERROR "installed qzrender failed (${rendered}): ${errors}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
