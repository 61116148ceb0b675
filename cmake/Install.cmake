# Where `cmake --install` puts the programs and their desktop integration.
include(GNUInstallDirs)

set(purgix_id io.github.purgix.purgix)
set(purgix_data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS purgix purgix-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${purgix_data}/${purgix_id}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${purgix_data}/${purgix_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${purgix_data}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${purgix_data}/completion/purgix-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Manual pages are installed compressed with gzip -9n: no file name and no time stamp
# inside, so two builds give the same bytes.
find_program(PURGIX_GZIP gzip REQUIRED)
function(purgix_gzip source output)
  get_filename_component(plain ${output} NAME_WLE)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${folder}/${plain}
    COMMAND ${PURGIX_GZIP} -9nf ${folder}/${plain}
    DEPENDS ${source}
    VERBATIM)
endfunction()

set(purgix_compressed ${PROJECT_BINARY_DIR}/compressed)
purgix_gzip(${purgix_data}/man/purgix.1 ${purgix_compressed}/man/purgix.1.gz)
purgix_gzip(${purgix_data}/man/purgix-cli.1 ${purgix_compressed}/man/purgix-cli.1.gz)
add_custom_target(purgix_compressed_documents ALL
  DEPENDS ${purgix_compressed}/man/purgix.1.gz ${purgix_compressed}/man/purgix-cli.1.gz)

install(FILES ${purgix_compressed}/man/purgix.1.gz ${purgix_compressed}/man/purgix-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
