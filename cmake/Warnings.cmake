# Warning flags are set once here and reach every target that links cludemap_warnings.
# CI builds (the CI environment variable is set) turn them into errors; user
# builds only warn, so a newer compiler with new warnings never breaks an
# install.
if(DEFINED ENV{CI})
  set(werror_default ON)
else()
  set(werror_default OFF)
endif()
option(CLUDEMAP_WERROR "Treat compiler warnings as errors" ${werror_default})

add_library(cludemap_warnings INTERFACE)
if(MSVC)
  target_compile_options(cludemap_warnings INTERFACE /W4 $<$<BOOL:${CLUDEMAP_WERROR}>:/WX>)
  # std::getenv and std::strerror are standard C++; MSVC's advice to use its
  # own _s variants does not apply to portable code.
  target_compile_definitions(cludemap_warnings INTERFACE _CRT_SECURE_NO_WARNINGS)
else()
  target_compile_options(cludemap_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow
                         $<$<BOOL:${CLUDEMAP_WERROR}>:-Werror>)
endif()
