# Installs the library into a scratch prefix and builds the examples against it
# as a caller would, through find_package(camrig) and through pkg-config, then
# runs both builds. Where the demo is built (DEMO), the examples run on its
# frames: the top view must equal the demo's byte for byte. Where the toolkit
# is built (TOOLKIT), rig_info is built both ways against it and reads the rig
# file that the installed camrig command renders; neither way may need the
# toolkit's own dependencies. Where the Python package is built (PYTHON), the
# Python example runs on the installed package and must write its pictures.
#   BUILD_DIR, WORK_DIR, EXAMPLES_DIR   build tree, scratch folder, examples
#   CC, C_FLAGS                         the C compiler and flags of the build
#   TOOLKIT, CXX, CXX_FLAGS             whether the toolkit is built; the C++ compiler and flags
#   TOOLCHAIN, EMULATOR                 set when cross-compiling
#   LINK_DIR                            when cross-compiling, where the target's own libraries lie
#   DEMO                                camrig_demo, when built
#   PYTHON                              the interpreter the Python package is built for, when built
set(examples topview singleview pose)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${what} failed (${rc}):\n${out}")
  endif()
endfunction()

# Unsigned little-endian 32-bit value at byte `offset` of a hex dump.
function(read_uint32 hex offset out)
  set(value "")
  foreach(i RANGE 3)
    math(EXPR at "2 * (${offset} + ${i})")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    set(value "${byte}${value}")
  endforeach()
  math(EXPR value "0x${value}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# A single view must be a width x height BMP whose pixels are not all alike.
function(check_view path width height)
  file(READ ${path} header LIMIT 26 HEX)
  read_uint32("${header}" 10 data)
  read_uint32("${header}" 18 w)
  read_uint32("${header}" 22 h)
  if(NOT w EQUAL width OR NOT h EQUAL height)
    message(FATAL_ERROR "${path} is ${w} x ${h}, not ${width} x ${height}")
  endif()
  file(READ ${path} pixels OFFSET ${data} HEX)
  string(SUBSTRING "${pixels}" 0 6 first)
  string(LENGTH "${pixels}" length)
  math(EXPR count "${length} / 6")
  string(REPEAT "${first}" ${count} plain)
  if(pixels STREQUAL plain)
    message(FATAL_ERROR "${path} is all one colour")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(cmake_build ${WORK_DIR}/cmake)
set(toolchain "")
if(TOOLCHAIN)
  set(toolchain -DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
endif()
if(TOOLKIT)
  # A caller of the shared toolkit links nothing of yaml-cpp or Ceres.
  file(GLOB toolkit_targets ${prefix}/lib*/cmake/camrig/camrigToolkitTargets.cmake
       ${prefix}/lib/*/cmake/camrig/camrigToolkitTargets.cmake)
  if(NOT toolkit_targets)
    message(FATAL_ERROR "the toolkit's CMake targets were not installed")
  endif()
  list(GET toolkit_targets 0 toolkit_targets)
  file(STRINGS ${toolkit_targets} interface REGEX "INTERFACE_LINK_LIBRARIES")
  if(interface MATCHES "[Cc]eres|yaml")
    message(FATAL_ERROR "camrig::toolkit passes its private dependencies on: ${interface}")
  endif()
  set(toolkit_options -DCAMRIG_EXAMPLES_TOOLKIT=ON -DCMAKE_CXX_COMPILER=${CXX}
      "-DCMAKE_CXX_FLAGS=${CXX_FLAGS} -pedantic -Wall -Werror")
else()
  set(toolkit_options -DCAMRIG_EXAMPLES_TOOLKIT=OFF)
endif()
run("configuring the examples" ${CMAKE_COMMAND} -S ${EXAMPLES_DIR} -B ${cmake_build} -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_C_COMPILER=${CC} "-DCMAKE_C_FLAGS=${C_FLAGS} -pedantic -Wall -Werror" ${toolkit_options} ${toolchain})
run("building the examples" ${CMAKE_COMMAND} --build ${cmake_build})

find_program(PKG_CONFIG pkg-config REQUIRED)
file(GLOB pc_dirs ${prefix}/lib*/pkgconfig ${prefix}/lib/*/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "${pc_dirs}")
execute_process(COMMAND ${PKG_CONFIG} --cflags --libs camrig OUTPUT_VARIABLE flags RESULT_VARIABLE rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know camrig")
endif()
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(c_flags UNIX_COMMAND "${C_FLAGS}")
set(pc_build ${WORK_DIR}/pkgconfig)
file(MAKE_DIRECTORY ${pc_build})
foreach(example ${examples})
  run("building ${example} with pkg-config flags" ${CC} ${c_flags} -std=c99 -pedantic -Wall -Werror
      ${EXAMPLES_DIR}/${example}.c ${flags} -o ${pc_build}/${example})
endforeach()
if(TOOLKIT)
  execute_process(COMMAND ${PKG_CONFIG} --cflags --libs camrig_toolkit OUTPUT_VARIABLE flags RESULT_VARIABLE rc
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT rc EQUAL 0 OR flags MATCHES "[Cc]eres|yaml")
    message(FATAL_ERROR "pkg-config does not know camrig_toolkit, or passes its private dependencies on: ${flags}")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  separate_arguments(cxx_flags UNIX_COMMAND "${CXX_FLAGS}")
  # A cross linker finds the toolkit's private dependencies only when told where the target's libraries lie.
  if(LINK_DIR)
    list(APPEND flags -Wl,-rpath-link,${LINK_DIR})
  endif()
  run("building rig_info with pkg-config flags" ${CXX} ${cxx_flags} -std=c++17 -pedantic -Wall -Werror
      ${EXAMPLES_DIR}/rig_info.cpp ${flags} -o ${pc_build}/rig_info)
endif()

if(DEMO)
  set(demo ${WORK_DIR}/demo)
  run("camrig_demo" ${EMULATOR} ${DEMO} --out ${demo})
else()
  message(STATUS "no camrig_demo in this build: the top and single views are built but not run")
endif()

file(GLOB libdir ${prefix}/lib*)
set(ENV{LD_LIBRARY_PATH} "${libdir}")
# Rendering the synthetic rig takes a minute under an emulator: there
# rig_info is built both ways but not run.
if(TOOLKIT AND EXISTS ${prefix}/bin/camrig AND NOT EMULATOR)
  set(synthetic ${WORK_DIR}/synthetic)
  run("camrig render" ${prefix}/bin/camrig render --out ${synthetic})
elseif(TOOLKIT)
  message(STATUS "no camrig command, or an emulator, in this build: rig_info is built but not run")
endif()
foreach(build ${cmake_build} ${pc_build})
  run("${build}/pose" ${EMULATOR} ${build}/pose)
  if(DEMO)
    run("${build}/topview" ${EMULATOR} ${build}/topview ${demo}/rig_front.bmp ${demo}/rig_rear.bmp
        ${demo}/rig_left.bmp ${demo}/rig_right.bmp ${build}/top_view.bmp ${build}/top_lut_front.bin)
    foreach(file top_view.bmp top_lut_front.bin)
      run("comparing ${build}/${file} with the demo's" ${CMAKE_COMMAND} -E compare_files ${build}/${file} ${demo}/${file})
    endforeach()
    run("${build}/singleview" ${EMULATOR} ${build}/singleview ${demo}/single_camera.bmp 15 ${build}/single_view.bmp)
    check_view(${build}/single_view.bmp 720 480)
  endif()
  if(synthetic)
    execute_process(COMMAND ${EMULATOR} ${build}/rig_info ${synthetic}/rig.yaml RESULT_VARIABLE rc
                    OUTPUT_VARIABLE listing ERROR_VARIABLE listing)
    foreach(line "camera front" "camera rear" "camera left" "camera right" "view top: top")
      if(NOT rc EQUAL 0 OR NOT listing MATCHES "${line}")
        message(FATAL_ERROR "${build}/rig_info on the synthetic rig (${rc}) lacks \"${line}\":\n${listing}")
      endif()
    endforeach()
  endif()
endforeach()

if(PYTHON)
  file(GLOB site ${prefix}/lib/python3*/*-packages)
  set(ENV{PYTHONPATH} "${site}")
  set(ENV{CAMRIG_COMMAND} ${prefix}/bin/camrig)
  set(ENV{DISPLAY} "")
  set(example ${WORK_DIR}/python_example)
  run("the Python example" ${PYTHON} ${EXAMPLES_DIR}/calibrate_and_view.py ${example})
  foreach(picture views.png top.png bowl.png)
    if(NOT EXISTS ${example}/${picture})
      message(FATAL_ERROR "the Python example did not write ${picture}")
    endif()
  endforeach()
endif()
