# qz_add_shader_plugin(<ShaderName> SOURCES <files...> DECLARATION <file.mi>)
#
# Builds one shader plug-in: a shared library named exactly like the shader
# (no "lib" prefix, as renderers load shader libraries by their own name),
# with the binding layer linked in whole and statically. The library exports
# the shader's four entries and miSetModuleHandle, and nothing else: the
# export list is generated from the shader name at configure time.
function(qz_add_shader_plugin name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DECLARATION" "SOURCES")

  add_library(${name} MODULE ${arg_SOURCES})
  set_target_properties(${name} PROPERTIES LIBRARY_OUTPUT_DIRECTORY "${PROJECT_BINARY_DIR}/plugins")
  qz_link_as_plugin(${name} EXPORTS ${name} ${name}_init ${name}_exit ${name}_version miSetModuleHandle)

  # Copy the declaration beside the built plug-in so the build tree works as
  # a library/include path of its own.
  if(arg_DECLARATION)
    configure_file("${arg_DECLARATION}"
      "${PROJECT_BINARY_DIR}/declarations/${name}.mi" COPYONLY)
    install(FILES "${arg_DECLARATION}"
      DESTINATION "${CMAKE_INSTALL_DATADIR}/qzfractal/include")
  endif()

  install(TARGETS ${name} LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}/qzfractal"
    RUNTIME DESTINATION "${CMAKE_INSTALL_LIBDIR}/qzfractal")
  set_property(GLOBAL APPEND PROPERTY QZ_SHADER_PLUGINS ${name})
endfunction()

# qz_link_as_plugin(<target> EXPORTS <names...>)
#
# Links a MODULE library the way every plug-in is linked: no prefix, the
# binding layer whole and static, and exactly <names> exported. Test-only
# modules that must behave like a plug-in use it too.
function(qz_link_as_plugin target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "EXPORTS")
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target})
  target_link_libraries(${target} PRIVATE qz_plugin_options "$<LINK_LIBRARY:WHOLE_ARCHIVE,hostbind>")

  if(WIN32)
    list(JOIN arg_EXPORTS "\n    " QZ_EXPORTED_NAMES)
    set(exports "${CMAKE_CURRENT_BINARY_DIR}/${target}.def")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/exports.def.in" "${exports}" @ONLY)
    target_sources(${target} PRIVATE "${exports}")
    target_link_options(${target} PRIVATE -Wl,--exclude-all-symbols)
  else()
    list(JOIN arg_EXPORTS ";\n    " QZ_EXPORTED_NAMES)
    set(exports "${CMAKE_CURRENT_BINARY_DIR}/${target}.map")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/exports.map.in" "${exports}" @ONLY)
    # --as-needed: the compiler driver names its C++ runtime on every link
    # (clang, unlike Debian's gcc, keeps it when nothing uses it); a plug-in
    # must not need it.
    target_link_options(${target} PRIVATE "-Wl,--version-script=${exports}"
      -Wl,--as-needed -Wl,-z,now -Wl,-z,relro)
    # An instrumented plug-in takes the sanitizer runtime from the executable
    # that loads it (see QzSanitizers.cmake).
    if(NOT QZ_INSTRUMENTED)
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS "${exports}")
  endif()
endfunction()
