# CMake generated Testfile for 
# Source directory: /work/main/tests/smoke
# Build directory: /work/main/build/tests/smoke
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
add_test([=[smoke_test]=] "/work/main/cmake/../scripts/wine-exec" "/work/main/build/tests/smoke/smoke_test.exe" "/work/main/build/Solmir.scr")
set_tests_properties([=[smoke_test]=] PROPERTIES  TIMEOUT "600" _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;31;add_test;/work/main/tests/smoke/CMakeLists.txt;1;solmir_add_test;/work/main/tests/smoke/CMakeLists.txt;0;")
