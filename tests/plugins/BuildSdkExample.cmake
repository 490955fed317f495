# Builds sdk/example in a fresh folder against this build, as a plug-in author
# would, then runs the test that loads it.
#   cmake -DSOURCE=<sdk/example> -DBUILD=<folder> -DHOST=<host build dir>
#         -DGENERATOR=<generator> -DTEST=<test_plugins> -P BuildSdkExample.cmake
# With -DINSTALLED=ON, HOST is an install prefix, found as any CMake package
# is (CMAKE_PREFIX_PATH), and the plug-in is installed into its plug-in folder.
file(REMOVE_RECURSE ${BUILD})
if(INSTALLED)
  set(find_host -DCMAKE_PREFIX_PATH=${HOST})
else()
  set(find_host -DQUORVIX_DIR=${HOST})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BUILD} -G ${GENERATOR} ${find_host}
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "configuring the example failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "building the example failed")
endif()
if(INSTALLED)
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} RESULT_VARIABLE result)
  file(GLOB_RECURSE installed ${HOST}/lib/*/plugins/notes.so)
  if(result OR NOT installed)
    message(FATAL_ERROR "the example was not installed into the host's plug-in folder")
  endif()
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env QX_EXAMPLE_PLUGIN=${BUILD}/notes.so QT_QPA_PLATFORM=offscreen
  ${TEST} --gtest_filter=SdkExample.*
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the example did not load or work in the host (see the test output above)")
endif()
