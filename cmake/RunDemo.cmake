# Runs cludemap on the bundled example and renders the graph where Graphviz
# is installed. Called by the demo target with CLUDEMAP, EXAMPLE_DIR and
# OUTPUT_DIR set; with DOCS_DIR set, the DOT file and the SVG picture are also
# copied there (only when they changed, so an unchanged tree stays untouched).
file(MAKE_DIRECTORY "${OUTPUT_DIR}")
set(dot_file "${OUTPUT_DIR}/example.dot")
execute_process(COMMAND "${CLUDEMAP}" station.h "${dot_file}"
                WORKING_DIRECTORY "${EXAMPLE_DIR}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cludemap failed with status ${status}")
endif()
message(STATUS "Include graph: ${dot_file}")

function(copy_to_docs file)
  if(DOCS_DIR)
    get_filename_component(name "${file}" NAME)
    file(COPY_FILE "${file}" "${DOCS_DIR}/${name}" ONLY_IF_DIFFERENT)
    message(STATUS "Copied to: ${DOCS_DIR}/${name}")
  endif()
endfunction()
copy_to_docs("${dot_file}")

find_program(DOT dot)
if(NOT DOT)
  message(STATUS "Graphviz (dot) is not installed; render with: dot -Tsvg ${dot_file}")
  return()
endif()
foreach(format svg png)
  execute_process(COMMAND "${DOT}" -T${format} "${dot_file}" -o "${OUTPUT_DIR}/example.${format}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dot -T${format} failed with status ${status}")
  endif()
  message(STATUS "Rendered: ${OUTPUT_DIR}/example.${format}")
endforeach()
copy_to_docs("${OUTPUT_DIR}/example.svg")
