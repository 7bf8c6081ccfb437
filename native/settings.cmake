# Settings: the browser command builder, under the sanitizers and the fuzzer.
add_executable(settings_browser_command_test
    ${CMAKE_SOURCE_DIR}/settings/browser_command.cpp
    ${CMAKE_SOURCE_DIR}/tests/settings/browser_command_test.cpp)
target_include_directories(settings_browser_command_test PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(settings_browser_command_test PRIVATE gtest_main)
add_test(NAME settings_browser_command_test COMMAND settings_browser_command_test)

# libFuzzer needs clang. CTest runs a short smoke run; run the program by hand
# for a longer search.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    add_executable(settings_browser_command_fuzz
        ${CMAKE_SOURCE_DIR}/settings/browser_command.cpp
        ${CMAKE_SOURCE_DIR}/tests/settings/browser_command_fuzz.cpp)
    target_include_directories(settings_browser_command_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(settings_browser_command_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(settings_browser_command_fuzz PRIVATE -fsanitize=fuzzer)
    add_test(NAME settings_browser_command_fuzz
        COMMAND settings_browser_command_fuzz -runs=200000 -max_len=600 -seed=1)
endif()
