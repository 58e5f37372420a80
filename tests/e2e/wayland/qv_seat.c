/* A pointer for weston's headless backend, which has no input devices, so
 * that the suite can click under Wayland as XTest does under X11: loaded with
 * --modules=qv_seat.so, it reads lines "click X Y" (output coordinates) from
 * the FIFO named by QV_SEAT_FIFO and feeds them through the compositor's own
 * input path, so focus, picking and delivery are the compositor's. */
#include <fcntl.h>
#include <libweston/libweston.h>
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

/* What the input backends call; libweston exports them without a header. */
void notify_motion_absolute(struct weston_seat *seat, const struct timespec *time, double x,
                            double y);
void notify_button(struct weston_seat *seat, const struct timespec *time, int32_t button,
                   enum wl_pointer_button_state state);
void notify_pointer_frame(struct weston_seat *seat);
void weston_seat_init(struct weston_seat *seat, struct weston_compositor *ec,
                      const char *seat_name);
void weston_seat_init_pointer(struct weston_seat *seat);
int weston_seat_init_keyboard(struct weston_seat *seat, struct xkb_keymap *keymap);

static struct weston_seat seat;

/* Each line comes in one write shorter than PIPE_BUF, so reads hold whole lines. */
static int readable(int fd, uint32_t mask, void *data) {
  char text[4096];
  ssize_t n = read(fd, text, sizeof text - 1);
  double x, y;
  int used;
  (void)mask, (void)data;
  text[n > 0 ? n : 0] = '\0';
  for (char *line = text; sscanf(line, "click %lf %lf\n%n", &x, &y, &used) == 2; line += used) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    notify_motion_absolute(&seat, &now, x, y);
    notify_pointer_frame(&seat);
    notify_button(&seat, &now, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
    notify_pointer_frame(&seat);
    notify_button(&seat, &now, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
    notify_pointer_frame(&seat);
  }
  return 0;
}

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[]) {
  const char *fifo = getenv("QV_SEAT_FIFO");
  /* Read and write, so that the writer closing never reads as the end. */
  int fd = fifo ? open(fifo, O_RDWR | O_NONBLOCK | O_CLOEXEC) : -1;
  (void)argc, (void)argv;
  if (fd < 0) {
    fprintf(stderr, "qv_seat: cannot open the FIFO in QV_SEAT_FIFO (%s)\n", fifo ? fifo : "unset");
    return -1;
  }
  weston_seat_init(&seat, compositor, "qv-seat");
  weston_seat_init_pointer(&seat);
  /* Clients such as GTK look for a keyboard to give focus to. */
  weston_seat_init_keyboard(&seat, NULL);
  wl_event_loop_add_fd(wl_display_get_event_loop(compositor->wl_display), fd, WL_EVENT_READABLE,
                       readable, NULL);
  return 0;
}
