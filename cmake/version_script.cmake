# Writes the linker's version script from the export list (cmake/exports.txt,
# one function per line): those names global, every other symbol local.
function(camrig_write_version_script list_file out_file)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list_file})
  file(STRINGS ${list_file} names)
  set(text "/* Generated from exports.txt: the exported C interface only. */\n{\n  global:\n")
  foreach(name ${names})
    string(APPEND text "    ${name};\n")
  endforeach()
  string(APPEND text "  local:\n    *;\n};\n")
  file(WRITE ${out_file}.tmp "${text}")
  configure_file(${out_file}.tmp ${out_file} COPYONLY)
endfunction()
