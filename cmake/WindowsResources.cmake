# Version information, manifest (common controls 6, per-monitor DPI awareness, long paths)
# and icon of a Windows program.
function(purgix_add_windows_resources target description)
  set(purgix_name ${target})
  set(purgix_description ${description})
  set(purgix_ico ${PROJECT_SOURCE_DIR}/data/icons/purgix.ico)
  set(purgix_manifest ${PROJECT_SOURCE_DIR}/data/windows/purgix.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/data/windows/purgix.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
endfunction()
