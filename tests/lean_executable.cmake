# The executable judges a reply file with Qt Core alone: of Qt's libraries
# it needs Qt Core only, the rest coming with the module of the face that is
# started (lib/iec1000). Run with -DEXECUTABLE=<path>.
execute_process(COMMAND readelf --dynamic ${EXECUTABLE}
    OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "readelf could not read ${EXECUTABLE}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
if(NOT needed MATCHES "libQt6Core")
    message(FATAL_ERROR "${EXECUTABLE} does not name Qt Core; is it the right file?\n${dynamic}")
endif()
foreach(library IN LISTS needed)
    if(library MATCHES "libQt6" AND NOT library MATCHES "libQt6Core\\.")
        message(SEND_ERROR "${EXECUTABLE} needs ${library}: a command would load it to judge one line")
    endif()
endforeach()
