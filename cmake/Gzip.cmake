# install_gzipped(FILE DESTINATION): installs FILE, a file of the build tree,
# as FILE.gz in DESTINATION. Debian wants manual pages and changelogs
# compressed this way: gzip -9n stores no name or time stamp, so every build
# gives the same bytes. Where gzip is missing (a plain Windows system) FILE is
# installed as it is.
find_program(GZIP_EXECUTABLE gzip)

function(install_gzipped file destination)
  if(NOT GZIP_EXECUTABLE)
    install(FILES "${file}" DESTINATION "${destination}")
    return()
  endif()
  get_filename_component(name "${file}" NAME)
  add_custom_command(OUTPUT "${file}.gz"
                     COMMAND "${GZIP_EXECUTABLE}" -9n --keep --force "${file}"
                     DEPENDS "${file}"
                     VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS "${file}.gz")
  install(FILES "${file}.gz" DESTINATION "${destination}")
endfunction()
