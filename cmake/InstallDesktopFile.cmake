# Run by `cmake --install` (and by CPack): writes a desktop file with
# Exec= the program's absolute path under the prefix the install uses now,
# which `--prefix` or CPack may have changed since the configure, and
# installs it. KWin checks that path before it lets the program use its
# fake input. Expects tess_source, tess_made, tess_program, tess_bindir and
# tess_datadir; DESTDIR is added by file(INSTALL) as for every other file.
set(bindir "${tess_bindir}")
if(NOT IS_ABSOLUTE "${bindir}")
  set(bindir "${CMAKE_INSTALL_PREFIX}/${bindir}")
endif()
set(datadir "${tess_datadir}")
if(NOT IS_ABSOLUTE "${datadir}")
  set(datadir "${CMAKE_INSTALL_PREFIX}/${datadir}")
endif()
# A path with a blank or another reserved character is quoted as the
# desktop entry format asks: inside double quotes, ", `, $ and \ take a
# backslash, and then every backslash is doubled for the string value.
set(path "${bindir}/${tess_program}")
string(REPLACE "%" "%%" path "${path}")
if(path MATCHES "[] \t\"'\\><~|&;$*?#()`[]")
  string(REPLACE "\\" "\\\\" path "${path}")
  string(REPLACE "\"" "\\\"" path "${path}")
  string(REPLACE "`" "\\`" path "${path}")
  string(REPLACE "$" "\\$" path "${path}")
  set(path "\"${path}\"")
  string(REPLACE "\\" "\\\\" path "${path}")
endif()
file(READ "${tess_source}" text)
# (A regex replacement would take the backslashes as its own escapes.)
string(REGEX REPLACE "\nExec=[^\n]*" "\nExec=@tess_exec@" text "${text}")
string(REPLACE "@tess_exec@" "${path}" text "${text}")
get_filename_component(made_dir "${tess_made}" DIRECTORY)
file(MAKE_DIRECTORY "${made_dir}")
file(WRITE "${tess_made}" "${text}")
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES "${tess_made}")
