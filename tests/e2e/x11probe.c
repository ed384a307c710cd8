/* Small X requests the end-to-end tests need and the stock tools lack:
 *   x11probe close WINDOW-ID   ask a window to close, as a window manager's close button does
 *   x11probe tray-owner        print the window owning the notification area (0 for none)
 *   x11probe shape-has WINDOW-ID X Y
 *                              print 1 when the window's shape holds its point (X, Y), else 0
 *   x11probe focus-root        give the keyboard to the root window, as when another program
 *                              has it
 * Exit status 0 on success, 1 when the display cannot be reached, 2 for bad arguments. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>

static xcb_atom_t intern(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t atom = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return atom;
}

static void request_close(xcb_connection_t* c, xcb_window_t window)
{
    xcb_client_message_event_t event;
    memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = intern(c, "WM_PROTOCOLS");
    event.data.data32[0] = intern(c, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, (const char*)&event);
    /* A round trip makes sure the server has handled the event before we hang up. */
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));
}

static int print_tray_owner(xcb_connection_t* c, int screen)
{
    char name[32];
    snprintf(name, sizeof name, "_NET_SYSTEM_TRAY_S%d", screen);
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, intern(c, name)), NULL);
    printf("%u\n", reply ? (unsigned)reply->owner : 0u);
    free(reply);
    return 0;
}

static int print_shape_has(xcb_connection_t* c, xcb_window_t window, int x, int y)
{
    xcb_shape_get_rectangles_reply_t* reply =
        xcb_shape_get_rectangles_reply(c, xcb_shape_get_rectangles(c, window, XCB_SHAPE_SK_BOUNDING), NULL);
    if (!reply)
        return 1;
    const xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(reply);
    const int count = xcb_shape_get_rectangles_rectangles_length(reply);
    int inside = 0;
    for (int i = 0; i < count && !inside; ++i)
        inside = x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y &&
                 y < rects[i].y + rects[i].height;
    printf("%d\n", inside);
    free(reply);
    return 0;
}

int main(int argc, char** argv)
{
    int screen = 0;
    xcb_connection_t* c = xcb_connect(NULL, &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return 1;
    }
    int status = 2;
    if (argc == 3 && strcmp(argv[1], "close") == 0) {
        request_close(c, (xcb_window_t)strtoul(argv[2], NULL, 0));
        status = 0;
    } else if (argc == 2 && strcmp(argv[1], "tray-owner") == 0) {
        status = print_tray_owner(c, screen);
    } else if (argc == 2 && strcmp(argv[1], "focus-root") == 0) {
        const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, root->root, XCB_CURRENT_TIME);
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));
        status = 0;
    } else if (argc == 5 && strcmp(argv[1], "shape-has") == 0) {
        status = print_shape_has(c, (xcb_window_t)strtoul(argv[2], NULL, 0), atoi(argv[3]), atoi(argv[4]));
    } else {
        fprintf(stderr, "usage: x11probe close WINDOW-ID | x11probe tray-owner | x11probe shape-has "
                        "WINDOW-ID X Y | x11probe focus-root\n");
    }
    xcb_disconnect(c);
    return status;
}
