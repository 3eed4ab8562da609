# Builds with the flags Debian builds its own packages with, as
# dpkg-buildflags gives them (hardening on in full: stack protector,
# _FORTIFY_SOURCE, format checks, RELRO and immediate binding; the source
# folder mapped to "." in debug paths). A toolchain file, as the flags must be
# known before the compiler is first checked; the presets that build like the
# Debian package name it.
get_filename_component(qorvane_source_dir "${CMAKE_CURRENT_LIST_DIR}" DIRECTORY)
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            dpkg-buildflags --get ${kind}
    WORKING_DIRECTORY "${qorvane_source_dir}"
    OUTPUT_VARIABLE qorvane_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed (${failed});"
                        " it comes with Debian's dpkg-dev")
  endif()
endforeach()
set(CMAKE_CXX_FLAGS_INIT "${qorvane_CPPFLAGS} ${qorvane_CXXFLAGS}")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "${qorvane_LDFLAGS}")
endforeach()
