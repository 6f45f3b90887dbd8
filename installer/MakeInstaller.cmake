# Usage: cmake -DMAKENSIS=makensis -DSCRIPT=quorl.nsi -DNAMES=RegistryNames.nsh -DVERSION=1.0.0.2
#              -DBIN64=<64-bit bin folder> -DBIN32=<32-bit bin folder> -DOUTFILE=<setup.exe>
#              -P MakeInstaller.cmake
# Builds the installer unless it is newer than everything it is made from. Run
# as a script rather than as a build rule because its 32-bit codec comes from
# another build tree, which this build's rules know nothing about.
cmake_policy(VERSION 3.20)
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis was not found: install Debian's nsis package (scripts/setup-debian does)")
endif()
set(payload "${BIN64}/quorl.exe" "${BIN64}/avishim.dll" "${BIN32}/avishim.dll")
foreach(file IN LISTS payload)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${file} is missing: the installer needs both builds (scripts/build --with-32bit)")
  endif()
endforeach()

set(stale FALSE)
foreach(input IN LISTS payload ITEMS "${SCRIPT}" "${NAMES}")
  if(NOT EXISTS "${OUTFILE}" OR "${input}" IS_NEWER_THAN "${OUTFILE}")
    set(stale TRUE)
  endif()
endforeach()
if(NOT stale)
  return()
endif()

# makensis leaves a partial file behind when it fails; only a whole installer
# takes the real name.
get_filename_component(folder "${OUTFILE}" DIRECTORY)
set(partial "${folder}/partial-installer.exe")
execute_process(
  COMMAND "${MAKENSIS}" -V2 -WX "-DVERSION=${VERSION}" "-DBIN64=${BIN64}" "-DBIN32=${BIN32}"
          "-DREGISTRY_NAMES=${NAMES}" "-DOUTFILE=${partial}" "${SCRIPT}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${partial}")
  message(FATAL_ERROR "makensis failed (${result}) on ${SCRIPT}")
endif()
file(RENAME "${partial}" "${OUTFILE}")
message(STATUS "Built ${OUTFILE}")
