# cmake -DEXECUTABLE=<file> -P CheckNoGui.cmake: fails when the executable loads Qt Gui or
# Qt Widgets. ldd lists every library the loader brings in, dependencies of dependencies
# included.
execute_process(COMMAND ldd ${EXECUTABLE}
                OUTPUT_VARIABLE libraries
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "ldd cannot read ${EXECUTABLE}")
endif()
if(NOT libraries MATCHES "libQt6Core")
    message(FATAL_ERROR "${EXECUTABLE} does not load Qt Core; the check would prove nothing")
endif()
if(libraries MATCHES "libQt6(Gui|Widgets)[^ ]*")
    message(FATAL_ERROR "${EXECUTABLE} loads ${CMAKE_MATCH_0}:\n${libraries}")
endif()
message(STATUS "${EXECUTABLE} loads neither Qt Gui nor Qt Widgets")
