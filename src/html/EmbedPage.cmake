# Builds the page skeleton from page.html, page.css and the script's parts
# and writes it as a C++ source file:
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -DSCRIPTS=a.js,b.js,... -P EmbedPage.cmake
#
# The style and the script are put into the template here, and the SHA-256
# of the script exactly as it goes into the page goes into the page's
# Content-Security-Policy, so that the browser runs that script and no other,
# whatever a header name smuggles into the page. The skeleton is written as a
# char array, not as string literals: compilers cap the length of a literal
# (MSVC at 16 KiB a piece), and an array takes any bytes as they are.
cmake_minimum_required(VERSION 3.25)

file(READ ${SOURCE_DIR}/page.html page)
file(READ ${SOURCE_DIR}/page.css style)
# The script is its parts in the order given, inside one strict function so
# that the names they declare stay out of the page's global scope.
if(NOT SCRIPTS)
  message(FATAL_ERROR "EmbedPage.cmake needs -DSCRIPTS, the script's parts")
endif()
string(REPLACE "," ";" parts "${SCRIPTS}")
set(script "'use strict';\n(() => {\n")
foreach(part IN LISTS parts)
  file(READ ${SOURCE_DIR}/${part} text)
  string(APPEND script "${text}")
endforeach()
string(APPEND script "})();\n")

# `hex` as base64: zero bytes pad it to whole groups of three bytes (six
# hex digits), each group makes four letters, and the letters that only the
# padding made become '='.
function(hex_to_base64 hex out)
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  string(LENGTH "${hex}" length)
  math(EXPR padding "(3 - (${length} / 2) % 3) % 3")
  string(REPEAT "00" ${padding} zeros)
  string(APPEND hex "${zeros}")
  string(LENGTH "${hex}" length)
  set(result "")
  set(at 0)
  while(at LESS length)
    string(SUBSTRING "${hex}" ${at} 6 group)
    math(EXPR value "0x${group}")
    foreach(shift 18 12 6 0)
      math(EXPR index "(${value} >> ${shift}) & 63")
      string(SUBSTRING "${alphabet}" ${index} 1 letter)
      string(APPEND result "${letter}")
    endforeach()
    math(EXPR at "${at} + 6")
  endwhile()
  if(padding GREATER 0)
    string(LENGTH "${result}" letters)
    math(EXPR kept "${letters} - ${padding}")
    string(SUBSTRING "${result}" 0 ${kept} result)
    string(REPEAT "=" ${padding} equals)
    string(APPEND result "${equals}")
  endif()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

string(SHA256 digest "${script}")
hex_to_base64(${digest} hash)

foreach(marker @STYLE@ @SCRIPT@ @SCRIPT_HASH@ @DATA@ @PICTURE@)
  string(FIND "${page}" "${marker}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "page.html lacks ${marker}")
  endif()
endforeach()
foreach(marker @DATA@ @PICTURE@ @STYLE@ @SCRIPT@ @SCRIPT_HASH@)
  string(FIND "${style}${script}" "${marker}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "page.css or the script holds ${marker}, which marks a place in the page")
  endif()
endforeach()
string(REPLACE "@SCRIPT_HASH@" "sha256-${hash}" page "${page}")
string(REPLACE "@STYLE@" "${style}" page "${page}")
string(REPLACE "@SCRIPT@" "${script}" page "${page}")

get_filename_component(output_dir ${OUTPUT} DIRECTORY)
set(skeleton ${output_dir}/page_skeleton.html)
file(WRITE ${skeleton} "${page}")
file(READ ${skeleton} bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
# Sixteen bytes a line.
string(REGEX REPLACE "(('[^']*',){16})" "\\1\n" bytes "${bytes}")

file(WRITE ${OUTPUT}.new "// Made by EmbedPage.cmake from page.html, page.css and the page_*.js scripts.
#include \"html/page_skeleton.h\"

namespace {
const char kBytes[] = {
${bytes}};
}  // namespace

const std::string_view kPageSkeleton(kBytes, sizeof kBytes);
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
