# Script run by the install test: install, then build and run two consumers against the
# installed tree only, and run the installed kavdb, which must find the library beside
# it under any prefix. Inputs: BUILD_DIR, WORK_DIR, LIBDIR, CONSUMER_SOURCE, GENERATOR,
# CXX, FLAGS, PHOTO (a photo to catalogue; empty when kavdb is not built).
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " shown "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${shown}\n${out}")
  endif()
  set(run_output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(installed ${LIBDIR}/libkavdbmgr.so ${LIBDIR}/kadb.ini include/kavdbmgr.h
        ${LIBDIR}/cmake/kavdbmgr/kavdbmgrConfig.cmake ${LIBDIR}/pkgconfig/kavdbmgr.pc)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# The library reads kadb.ini beside itself; nothing may point it elsewhere.
unset(ENV{KAVDB_CONFIG_DIR})

# find_package
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE} -B ${WORK_DIR}/consumer -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=${FLAGS}"
    "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/kavdb_consumer)
message(STATUS "find_package consumer: ${run_output}")

# pkg-config
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run(pkg-config --cflags --libs kavdbmgr)
string(STRIP "${run_output}" pc_flags)
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
separate_arguments(extra_flags UNIX_COMMAND "${FLAGS}")
file(WRITE ${WORK_DIR}/one_liner.cpp
  "#include <kavdbmgr.h>\nint main() { return FreeBuffer(nullptr) == E_INVALIDARG ? 0 : 1; }\n")
run(${CXX} -std=c++20 ${extra_flags} ${WORK_DIR}/one_liner.cpp -o ${WORK_DIR}/one_liner
    ${pc_flags} -Wl,-rpath,${prefix}/${LIBDIR})
run(${WORK_DIR}/one_liner)
message(STATUS "pkg-config consumer: built with ${pc_flags} and ran")

# The installed kavdb, started from the prefix with nothing pointing at the library.
if(PHOTO)
  unset(ENV{LD_LIBRARY_PATH})
  if(FLAGS)
    set(ENV{ASAN_OPTIONS} detect_leaks=0) # libvips' caches live as long as the process
  endif()
  set(kavdb ${prefix}/bin/kavdb)
  run(${kavdb} --version)
  file(MAKE_DIRECTORY ${WORK_DIR}/photos)
  file(COPY ${PHOTO} DESTINATION ${WORK_DIR}/photos)
  run(${kavdb} --db ${WORK_DIR}/installed.mdb add ${WORK_DIR}/photos)
  run(${kavdb} --db ${WORK_DIR}/installed.mdb search --where "FNumber > 7" --count)
  string(STRIP "${run_output}" found)
  if(NOT found STREQUAL "1")
    message(FATAL_ERROR "installed kavdb found ${found} photos, not 1")
  endif()
  message(STATUS "installed kavdb: ran from ${prefix}/bin")
endif()
