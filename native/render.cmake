# TGA decoder: unit tests under the sanitizers, the fuzz target with a short
# smoke run, and the throughput benchmark against stb_image.
set(SOLMIR_TGA_SOURCES ${CMAKE_SOURCE_DIR}/render/tga.cpp)
set(SOLMIR_TGA_CORPUS ${CMAKE_SOURCE_DIR}/tests/render/corpus)

add_library(solmir_tga STATIC ${SOLMIR_TGA_SOURCES})
target_include_directories(solmir_tga PUBLIC ${CMAKE_SOURCE_DIR})

add_executable(tga_decode_test ${CMAKE_SOURCE_DIR}/tests/render/tga_decode_test.cpp)
target_link_libraries(tga_decode_test PRIVATE solmir_tga gtest_main)
target_compile_definitions(tga_decode_test PRIVATE
    SOLMIR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    SOLMIR_TGA_VECTORS="${CMAKE_SOURCE_DIR}/tests/render/vectors")
add_test(NAME tga_decode_test COMMAND tga_decode_test)

# libFuzzer needs clang. The smoke run keeps new inputs in the build folder,
# never in the committed seed corpus.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_executable(tga_fuzz ${CMAKE_SOURCE_DIR}/tests/render/tga_fuzz.cpp ${SOLMIR_TGA_SOURCES})
    target_include_directories(tga_fuzz PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_options(tga_fuzz PRIVATE -O1 -fsanitize=fuzzer,address,undefined)
    target_link_options(tga_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
    set(SOLMIR_TGA_FUZZ_WORK ${CMAKE_CURRENT_BINARY_DIR}/tga-fuzz-work)
    file(MAKE_DIRECTORY ${SOLMIR_TGA_FUZZ_WORK})
    add_test(NAME tga_fuzz_smoke
        COMMAND tga_fuzz -runs=20000 -max_total_time=5 ${SOLMIR_TGA_FUZZ_WORK} ${SOLMIR_TGA_CORPUS})
    set_tests_properties(tga_fuzz_smoke PROPERTIES TIMEOUT 60)
endif()

# The benchmark measures the decoder as shipped: optimised, no sanitizers,
# whatever the rest of this build uses.
find_path(SOLMIR_STB_INCLUDE stb/stb_image.h)
if(SOLMIR_STB_INCLUDE)
    add_executable(tga_bench ${CMAKE_SOURCE_DIR}/bench/tga_bench.cpp ${SOLMIR_TGA_SOURCES})
    set_property(TARGET tga_bench PROPERTY COMPILE_OPTIONS -O2 -Wall -Wextra -Werror)
    set_property(TARGET tga_bench PROPERTY LINK_OPTIONS "")
    set_source_files_properties(${CMAKE_SOURCE_DIR}/bench/tga_bench.cpp TARGET_DIRECTORY tga_bench
        PROPERTIES COMPILE_OPTIONS -Wno-unused-function)
    target_include_directories(tga_bench PRIVATE ${CMAKE_SOURCE_DIR} ${SOLMIR_STB_INCLUDE})
    target_compile_definitions(tga_bench PRIVATE SOLMIR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
else()
    message(STATUS "stb_image not found (Debian libstb-dev): tga_bench is not built")
endif()
