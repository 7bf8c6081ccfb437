# Saver host: the notice's rate line, the run-once command built from the
# registry's "install_dir" and the run-once names, under the sanitizers.
add_executable(host_notice_text_test
    ${CMAKE_SOURCE_DIR}/host/notice_text.cpp
    ${CMAKE_SOURCE_DIR}/tests/host/notice_text_test.cpp)
target_include_directories(host_notice_text_test PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(host_notice_text_test PRIVATE gtest_main)
add_test(NAME host_notice_text_test COMMAND host_notice_text_test)
