/* A small X client for the window soak: what the server holds down, and a
 * checksum of a screen region (to tell whether a status panel changed).
 *
 *   xstate held             prints "keys N buttons M" (keys and pointer
 *                           buttons down now)
 *   xstate sum X Y W H      prints a checksum of the root window's pixels
 */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(NULL);
    if (!display || argc < 2) return 2;
    Window root = DefaultRootWindow(display);
    if (strcmp(argv[1], "held") == 0) {
        char keys[32];
        XQueryKeymap(display, keys);
        int down = 0;
        for (int i = 0; i < 256; ++i) down += (keys[i / 8] >> (i % 8)) & 1;
        Window r, c;
        int rx, ry, wx, wy;
        unsigned mask = 0;
        XQueryPointer(display, root, &r, &c, &rx, &ry, &wx, &wy, &mask);
        int buttons = 0;
        for (unsigned b = Button1Mask; b <= Button5Mask; b <<= 1) buttons += (mask & b) != 0;
        printf("keys %d buttons %d\n", down, buttons);
    } else if (strcmp(argv[1], "sum") == 0 && argc == 6) {
        XImage* image = XGetImage(display, root, atoi(argv[2]), atoi(argv[3]),
                                  (unsigned)atoi(argv[4]), (unsigned)atoi(argv[5]), AllPlanes,
                                  ZPixmap);
        if (!image) return 1;
        unsigned long long sum = 1469598103934665603ULL;
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x)
                sum = (sum ^ XGetPixel(image, x, y)) * 1099511628211ULL;
        printf("%016llx\n", sum);
        XDestroyImage(image);
    } else {
        return 2;
    }
    XCloseDisplay(display);
    return 0;
}
