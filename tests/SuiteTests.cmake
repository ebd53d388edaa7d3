# Included by ctest (TEST_INCLUDE_FILES): one CTest test a GoogleTest suite
# of the program EXE that FILTER selects, each running the suite's cases in
# one process. A process of a test program takes about a third of a second to
# start and end under the sanitizers, most of a short case's time.
#   EXE      the test program
#   FILTER   a --gtest_filter pattern
#   TIMEOUT  each suite's time limit
#   WORKDIR  the folder the tests run in
# ctest reads this file under its oldest policies (include() keeps this local).
cmake_policy(VERSION 3.16)
get_filename_component(program "${EXE}" NAME)
if(NOT EXISTS "${EXE}")
    # Not built: a test that fails and says so, as GoogleTest's own discovery does.
    add_test("${program}_NOT_BUILT" "${EXE}")
    return()
endif()
execute_process(COMMAND "${EXE}" --gtest_list_tests "--gtest_filter=${FILTER}"
                WORKING_DIRECTORY "${WORKDIR}"
                OUTPUT_VARIABLE listing
                ERROR_VARIABLE errors
                RESULT_VARIABLE status
                TIMEOUT 60)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${EXE} --gtest_list_tests failed (${status}): ${errors}")
endif()
# The listing: "Suite." (a comment may follow) then its cases, indented.
# Suites or cases named DISABLED_ do not run; a suite with none that runs is
# left out.
string(REPLACE ";" "," listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")
set(suite "")
set(suites "")
foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z0-9_/]+)\\.( |$)")
        set(suite "${CMAKE_MATCH_1}")
        if(suite MATCHES "^DISABLED_|/DISABLED_")
            set(suite "")
        endif()
    elseif(suite AND line MATCHES "^  ([A-Za-z0-9_/]+)")
        if(NOT CMAKE_MATCH_1 MATCHES "^DISABLED_" AND NOT suite IN_LIST suites)
            list(APPEND suites "${suite}")
        endif()
    endif()
endforeach()
# The cases the filter leaves out stay out of each suite's run.
set(excluded "")
if(FILTER MATCHES "-(.*)$")
    set(excluded "-${CMAKE_MATCH_1}")
endif()
# A suite name another program has too is named with its program: a second
# test of one name would stand in for the first, whose cases then never run.
foreach(suite IN LISTS suites)
    set(name "${suite}")
    if(name IN_LIST GLOAM_SUITE_TESTS)
        set(name "${program}:${suite}")
    endif()
    list(APPEND GLOAM_SUITE_TESTS "${name}")
    add_test("${name}" "${EXE}" "--gtest_filter=${suite}.*${excluded}")
    set_tests_properties("${name}" PROPERTIES TIMEOUT ${TIMEOUT} WORKING_DIRECTORY "${WORKDIR}")
endforeach()
