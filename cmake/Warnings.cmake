# Warning flags are set once here and reach every target that links cludemap_warnings.
add_library(cludemap_warnings INTERFACE)
if(MSVC)
  target_compile_options(cludemap_warnings INTERFACE /W4)
else()
  target_compile_options(cludemap_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
endif()
