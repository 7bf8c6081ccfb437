// Resource ids of the test textures (tga_test.rc).
#pragma once

#define IDR_TEST_EMPTY 900
#define IDR_TEST_TOO_MANY 903
#define IDR_TEST_GOOD24 905
#define IDR_TEST_RAW32 906
#define IDR_TEST_SHORT 907
#define IDR_TEST_OTHER_TYPE 908 // a good image, but not of type "tga"
#define IDR_TEST_MISSING 999
