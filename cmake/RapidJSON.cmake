# RapidJSON, the JSON parser of compile databases and of --compare's
# baselines: headers alone, the same on every platform, so a cross build
# takes the build machine's copy (Debian: rapidjson-dev), from a folder
# holding nothing else, so that no other header of the build machine can
# stand in for the target's. Targets link cludemap_rapidjson.
find_path(RAPIDJSON_INCLUDE_DIR rapidjson/document.h NO_CMAKE_FIND_ROOT_PATH
          DOC "Directory holding rapidjson/document.h")
if(NOT RAPIDJSON_INCLUDE_DIR)
  message(FATAL_ERROR "cludemap needs RapidJSON: apt-get install rapidjson-dev, "
                      "or set RAPIDJSON_INCLUDE_DIR")
endif()
set(rapidjson_alone ${PROJECT_BINARY_DIR}/rapidjson-include)
file(COPY ${RAPIDJSON_INCLUDE_DIR}/rapidjson DESTINATION ${rapidjson_alone})
add_library(cludemap_rapidjson INTERFACE)
target_include_directories(cludemap_rapidjson SYSTEM INTERFACE ${rapidjson_alone})
