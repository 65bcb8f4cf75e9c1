# Sources are found by folder: a new file joins its area's target without
# editing any CMake file.
function(kavrel_glob out pattern)
  file(GLOB_RECURSE _files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${pattern})
  list(SORT _files)
  set(${out} ${_files} PARENT_SCOPE)
endfunction()

# Writes a linker version script that exports every function declared on a
# "KAVAPI ... KAVCALL Name(" line of the header and hides everything else.
function(kavrel_export_script header out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
  file(STRINGS ${header} _lines REGEX "^KAVAPI .* KAVCALL [A-Za-z_][A-Za-z0-9_]*\\(")
  set(_names "")
  foreach(_line IN LISTS _lines)
    string(REGEX MATCH "KAVCALL ([A-Za-z_][A-Za-z0-9_]*)\\(" _m "${_line}")
    list(APPEND _names "${CMAKE_MATCH_1}")
  endforeach()
  list(REMOVE_DUPLICATES _names)
  list(SORT _names)
  set(_body "")
  foreach(_n IN LISTS _names)
    string(APPEND _body "    ${_n};\n")
  endforeach()
  file(CONFIGURE OUTPUT ${out} CONTENT "{\n  global:\n${_body}  local:\n    *;\n};\n")
endfunction()
