# The export list (cmake/exports.txt) must name exactly the functions the
# header declares with CR_API, and the shared library's dynamic symbol table
# must hold exactly those functions and nothing else.
function(compare what actual expected)
  set(extra ${actual})
  list(REMOVE_ITEM extra ${expected})
  set(absent ${expected})
  list(REMOVE_ITEM absent ${actual})
  if(extra OR absent)
    message(FATAL_ERROR "${what} differ from exports.txt\n  unexpected: ${extra}\n  missing: ${absent}")
  endif()
endfunction()

file(STRINGS ${EXPECTED} expected)
list(SORT expected)

# The first capture of `pattern` in each line, sorted.
function(capture_each out pattern)
  set(found "")
  foreach(line ${ARGN})
    if(line MATCHES "${pattern}")
      list(APPEND found ${CMAKE_MATCH_1})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES found)
  list(SORT found)
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

file(STRINGS ${HEADER} declarations REGEX "^CR_API ")
capture_each(declared "(cr[A-Za-z0-9_]+)\\(" ${declarations})
compare("the header's declarations" "${declared}" "${expected}")

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE nm_out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${nm_out}")
capture_each(actual "^[0-9a-fA-F]* *[A-Za-z] ([^ @]+)" ${lines})
compare("the library's dynamic symbols" "${actual}" "${expected}")
list(LENGTH actual n)
message(STATUS "${n} exports, as expected")
