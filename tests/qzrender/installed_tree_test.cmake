# Installs the build into WORK_DIR/prefix, moves the installed tree to
# WORK_DIR/moved (nothing else moves along), and renders an example there with
# the installed qzrender: the runtime library must be found through the
# executable's RPATH, the plug-ins, declarations and the image module through
# the installed folders, relative to wherever the tree lies.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${WORK_DIR}/prefix"
  OUTPUT_QUIET RESULT_VARIABLE installed)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "install into ${WORK_DIR}/prefix failed")
endif()
file(RENAME "${WORK_DIR}/prefix" "${WORK_DIR}/moved")
file(COPY "${EXAMPLES_DIR}/gradient.mi" DESTINATION "${WORK_DIR}/scene")
set(ENV{MI_LIBRARY_PATH} "")
set(ENV{MI_RAY_INCPATH} "")
set(ENV{LD_LIBRARY_PATH} "")
# .png through the image module, .pfm without it.
foreach(image gradient.png gradient.pfm)
  execute_process(COMMAND "${WORK_DIR}/moved/bin/qzrender" "${WORK_DIR}/scene/gradient.mi"
      -o "${WORK_DIR}/${image}" --res 32 24 --quiet
    RESULT_VARIABLE rendered ERROR_VARIABLE errors)
  if(NOT rendered EQUAL 0 OR NOT EXISTS "${WORK_DIR}/${image}")
    message(FATAL_ERROR "installed qzrender failed to write ${image} (${rendered}): ${errors}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
