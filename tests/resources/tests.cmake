# The dialog templates as compiled: every page's frame and controls, and the
# Browse Directory template, checked against their layout tables.
if(SETUP_WINDOWS AND CMAKE_RC_COMPILER)
  add_test(NAME resource_templates
    COMMAND sh -c "\"$0\" -I. -I../src setup.rc -O res -o \"$1\" && python3 \"$2\" \"$1\""
            ${CMAKE_RC_COMPILER} ${CMAKE_BINARY_DIR}/setup-templates.res
            ${CMAKE_SOURCE_DIR}/tests/resources/check-templates.py
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/resources)
endif()
