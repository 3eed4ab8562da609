# Version information, icon and application manifest for a Windows program:
# window/shared/qorvane-switcher.rc.in configured with the program's own
# file name and file description: the window title (the product name),
# followed by `description_suffix`.
set(QORVANE_WINDOW_TITLE "QorvaneADVANCE中文版 简繁体切换工具")
function(qorvane_add_windows_resources target description_suffix file_name)
  set(QORVANE_WINDOW_SHARED ${PROJECT_SOURCE_DIR}/window/shared)
  set(QORVANE_RC_DESCRIPTION "${QORVANE_WINDOW_TITLE}${description_suffix}")
  set(QORVANE_RC_FILE_NAME "${file_name}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  configure_file(${QORVANE_WINDOW_SHARED}/qorvane-switcher.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
    "${QORVANE_WINDOW_SHARED}/qorvane-switcher.manifest;${QORVANE_WINDOW_SHARED}/icon/qorvane-switcher.ico")
  target_sources(${target} PRIVATE ${rc})
endfunction()
