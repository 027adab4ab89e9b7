# The wizard pages under Wine: page_show shows pages through RunPage, the
# robot drives them, tests/e2e/pages-test checks what both report.
if(SETUP_WINDOWS)
  add_executable(robot tests/robot/robot.cpp)
  target_compile_options(robot PRIVATE ${WARNINGS})
  target_link_libraries(robot PRIVATE user32 gdi32 -static)

  add_executable(page_show tests/e2e/page_show.cpp
    src/ui/page_host.cpp src/ui/pages.cpp src/ui/browse.cpp src/ui/wizard.cpp
    tests/e2e/page_show.rc)
  target_include_directories(page_show PRIVATE src resources)
  target_compile_options(page_show PRIVATE ${WARNINGS})
  target_link_libraries(page_show PRIVATE setup_core user32 gdi32 comdlg32 -static)
  set_property(SOURCE tests/e2e/page_show.rc APPEND PROPERTY OBJECT_DEPENDS
    ${CMAKE_SOURCE_DIR}/src/model/string_table.h ${CMAKE_SOURCE_DIR}/resources/resource.h
    ${CMAKE_SOURCE_DIR}/resources/setup.rc ${SETUP_ART})

  add_wine_test(NAME e2e_pages
    COMMAND ${CMAKE_SOURCE_DIR}/tests/e2e/pages-test
            $<TARGET_FILE:page_show> $<TARGET_FILE:robot>
    TIMEOUT 600)
endif()
