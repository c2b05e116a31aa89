# `iec1000 --version` loads no module: a copy of the executable with no
# lib/iec1000 beside it still prints its version. Run with
# -DEXECUTABLE=<path> -DWORK_DIR=<an empty folder of its own>.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/bin)
file(COPY ${EXECUTABLE} DESTINATION ${WORK_DIR}/bin)
get_filename_component(name ${EXECUTABLE} NAME)
execute_process(COMMAND ${WORK_DIR}/bin/${name} --version
    OUTPUT_VARIABLE printed ERROR_VARIABLE said RESULT_VARIABLE code)
file(REMOVE_RECURSE ${WORK_DIR})
if(NOT code EQUAL 0 OR NOT printed MATCHES "^iec1000 [0-9.]+ \\(Qt [0-9.]+\\)\n$")
    message(FATAL_ERROR "without its modules, --version exited ${code}, printed \"${printed}\" "
        "and said \"${said}\"")
endif()
