/* A stand-in for libXinerama.so.1, for tests only. Wine, told not to use
 * XRandR, takes its monitors from Xinerama: this reports the heads named in
 * SOLMIR_TEST_HEADS ("WxH+X+Y,WxH+X+Y", the first one primary), all on the one
 * X screen, where GL draws on every head. */
#include <stdio.h>
#include <stdlib.h>

typedef struct
{
    int screen_number;
    short x_org, y_org, width, height;
} XineramaScreenInfo;

int XineramaQueryExtension(void* display, int* event_base, int* error_base)
{
    (void)display;
    *event_base = *error_base = 0;
    return 1;
}

/* Asked by xdotool, which the tests' mouse goes through; Wine asks only the other two. */
int XineramaIsActive(void* display)
{
    (void)display;
    return 1;
}

/* The caller frees the answer with XFree, which is free. */
XineramaScreenInfo* XineramaQueryScreens(void* display, int* count)
{
    const int MAX_HEADS = 16;
    XineramaScreenInfo* heads = calloc(MAX_HEADS, sizeof(*heads));
    const char* text = getenv("SOLMIR_TEST_HEADS");
    int w, h, x, y, used = 0;
    (void)display;
    *count = 0;
    while (heads && text && *count < MAX_HEADS &&
           sscanf(text, "%dx%d+%d+%d%n", &w, &h, &x, &y, &used) == 4)
    {
        XineramaScreenInfo head = {*count, (short)x, (short)y, (short)w, (short)h};
        heads[(*count)++] = head;
        text += used + (text[used] == ',');
    }
    return heads;
}
