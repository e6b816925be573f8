# Writes the udev rules that let the logged-in user open the catalogued
# keyboards: one TAG+="uaccess" line per vendor/product id of config.xml,
# on subsystem hidraw only, matched on the kernel's HID device name
# (BBBB:VVVV:PPPP.NNNN), so USB, receiver and Bluetooth boards are covered
# alike. No rule ever opens all hidraw devices to everyone.
#
#   cmake -DCONFIG=<config.xml> -DOUTPUT=<60-tastra.rules> -P GenerateUdevRules.cmake
#
# A missing or unreadable catalogue gives a file with no device lines; a
# mode whose vid or pid is not a 16-bit hexadecimal number is skipped.
if(NOT OUTPUT)
  message(FATAL_ERROR "OUTPUT is required")
endif()

set(pairs "")
if(CONFIG AND EXISTS "${CONFIG}")
  file(READ "${CONFIG}" xml)
  # Characters CMake gives a meaning in lists play no part in the ids.
  string(REPLACE ";" " " xml "${xml}")
  string(REPLACE "[" " " xml "${xml}")
  string(REPLACE "]" " " xml "${xml}")
  # Comments could hide a mode that is not there.
  string(REGEX REPLACE "<!--([^-]|-[^-])*-->" "" xml "${xml}")
  string(REGEX MATCHALL "<mode[ \t\r\n][^>]*>" modes "${xml}")
  foreach(mode IN LISTS modes)
    set(ids "")
    foreach(attr vid pid)
      set(value "")
      if(mode MATCHES "[ \t\r\n]${attr}[ \t\r\n]*=[ \t\r\n]*\"([^\"]*)\"")
        set(value "${CMAKE_MATCH_1}")
      elseif(mode MATCHES "[ \t\r\n]${attr}[ \t\r\n]*=[ \t\r\n]*'([^']*)'")
        set(value "${CMAKE_MATCH_1}")
      endif()
      string(STRIP "${value}" value)
      string(TOUPPER "${value}" value)
      string(REGEX REPLACE "^0X" "" value "${value}")
      if(NOT value MATCHES "^[0-9A-F]+$")
        set(ids "")
        break()
      endif()
      string(REGEX REPLACE "^0+" "" value "${value}")
      string(LENGTH "${value}" length)
      if(length GREATER 4)
        set(ids "")
        break()
      endif()
      # Four digits, as the kernel writes them.
      string(REPEAT "0" 4 zeros)
      set(value "${zeros}${value}")
      string(LENGTH "${value}" length)
      math(EXPR start "${length} - 4")
      string(SUBSTRING "${value}" ${start} 4 value)
      list(APPEND ids "${value}")
    endforeach()
    list(LENGTH ids count)
    if(count EQUAL 2)
      list(GET ids 0 vid)
      list(GET ids 1 pid)
      list(APPEND pairs "${vid}:${pid}")
    else()
      message(WARNING "udev rules: skipping a mode without a usable vid and pid: ${mode}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES pairs)
endif()

set(text "# Tastra: lets the user at the seat open the keyboards Tastra supports.\n")
string(APPEND text "# Generated from config.xml at build time; do not edit.\n")
foreach(pair IN LISTS pairs)
  string(REPLACE ":" ";" ids "${pair}")
  list(GET ids 0 vid)
  list(GET ids 1 pid)
  string(APPEND text "SUBSYSTEM==\"hidraw\", KERNELS==\"*:${vid}:${pid}.*\", TAG+=\"uaccess\"\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${text}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
