# Builds sdk/example in a fresh folder against this build, as a plug-in author
# would, then runs the test that loads it.
#   cmake -DSOURCE=<sdk/example> -DBUILD=<folder> -DHOST=<host build dir>
#         -DGENERATOR=<generator> -DTEST=<test_plugins> -P BuildSdkExample.cmake
file(REMOVE_RECURSE ${BUILD})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BUILD} -G ${GENERATOR} -DQUORVIX_DIR=${HOST}
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "configuring the example failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD} RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "building the example failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env QX_EXAMPLE_PLUGIN=${BUILD}/notes.so QT_QPA_PLATFORM=offscreen
  ${TEST} --gtest_filter=SdkExample.*
  RESULT_VARIABLE result)
if(result)
  message(FATAL_ERROR "the example did not load or work in the host (see the test output above)")
endif()
