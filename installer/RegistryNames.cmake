# Usage: cmake -DHEADER=avishim/RegistryNames.h -DOUTPUT=RegistryNames.nsh -P RegistryNames.cmake
# Turns the codec's registry names into NSIS defines, so the installer writes
# exactly what the codec's own registration writes.
file(READ "${HEADER}" text)
set(defines "; Made from ${HEADER} by RegistryNames.cmake: edit that header, not this file.\n")
foreach(pair
    "kDrivers32Key:DRIVERS32_KEY"
    "kVideoDriverValue:VIDEO_DRIVER_VALUE"
    "kAudioDriverValue:AUDIO_DRIVER_VALUE"
    "kAcmCacheKey:ACM_CACHE_KEY")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 constant)
  list(GET pair 1 define)
  # A constant may wrap onto the next line after its "=".
  if(NOT text MATCHES "${constant}\\[\\][ \t\r\n]*=[ \t\r\n]*\"([^\"]*)\"")
    message(FATAL_ERROR "${HEADER} has no string constant ${constant}")
  endif()
  string(REPLACE "\\\\" "\\" value "${CMAKE_MATCH_1}")
  # NSIS would read a "$" as a variable, and a quote would end the string.
  if(value STREQUAL "" OR value MATCHES "[$\"`]")
    message(FATAL_ERROR "${constant} = \"${value}\" cannot be passed to the installer unchanged")
  endif()
  string(APPEND defines "!define ${define} \"${value}\"\n")
endforeach()
file(WRITE "${OUTPUT}.tmp" "${defines}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
