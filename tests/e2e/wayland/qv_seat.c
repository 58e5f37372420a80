/* A pointer for weston's headless backend, which has no input devices, so
 * that the end-to-end suite can click under Wayland as it does with XTest
 * under X11. Loaded with --modules=/path/qv_seat.so; reads lines
 * "click X Y" (output coordinates) from the FIFO named by QV_SEAT_FIFO and
 * feeds them through the compositor's own input path, so focus, picking and
 * delivery are the compositor's. */
#include <fcntl.h>
#include <libweston/libweston.h>
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

/* What the input backends call; libweston exports them without a public
 * header. */
void notify_motion_absolute(struct weston_seat *seat, const struct timespec *time, double x,
                            double y);
void notify_button(struct weston_seat *seat, const struct timespec *time, int32_t button,
                   enum wl_pointer_button_state state);
void notify_pointer_frame(struct weston_seat *seat);
void weston_seat_init(struct weston_seat *seat, struct weston_compositor *ec,
                      const char *seat_name);
void weston_seat_init_pointer(struct weston_seat *seat);
int weston_seat_init_keyboard(struct weston_seat *seat, struct xkb_keymap *keymap);

struct qv_seat {
  struct weston_seat seat;
  int fd;
  char line[256];
  size_t used;
};

static void pointer_event(struct qv_seat *s, const char *command) {
  double x, y;
  struct timespec now;
  if (sscanf(command, "click %lf %lf", &x, &y) != 2) {
    fprintf(stderr, "qv_seat: unknown command: %s\n", command);
    return;
  }
  clock_gettime(CLOCK_MONOTONIC, &now);
  notify_motion_absolute(&s->seat, &now, x, y);
  notify_pointer_frame(&s->seat);
  notify_button(&s->seat, &now, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
  notify_pointer_frame(&s->seat);
  notify_button(&s->seat, &now, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
  notify_pointer_frame(&s->seat);
}

static int readable(int fd, uint32_t mask, void *data) {
  struct qv_seat *s = data;
  (void)mask;
  ssize_t n = read(fd, s->line + s->used, sizeof s->line - 1 - s->used);
  if (n <= 0) return 0;
  s->used += (size_t)n;
  s->line[s->used] = '\0';
  char *end;
  while ((end = strchr(s->line, '\n'))) {
    *end = '\0';
    pointer_event(s, s->line);
    s->used -= (size_t)(end + 1 - s->line);
    memmove(s->line, end + 1, s->used + 1);
  }
  if (s->used == sizeof s->line - 1) s->used = 0; /* a line too long to be ours */
  return 0;
}

WL_EXPORT int wet_module_init(struct weston_compositor *compositor, int *argc, char *argv[]) {
  (void)argc;
  (void)argv;
  const char *fifo = getenv("QV_SEAT_FIFO");
  if (!fifo) {
    fprintf(stderr, "qv_seat: QV_SEAT_FIFO is not set\n");
    return -1;
  }
  /* Read and write, so that the writer closing never reads as the end. */
  int fd = open(fifo, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  struct qv_seat *s = fd < 0 ? NULL : calloc(1, sizeof *s);
  if (!s) {
    fprintf(stderr, "qv_seat: cannot open %s\n", fifo);
    if (fd >= 0) close(fd);
    return -1;
  }
  s->fd = fd;
  weston_seat_init(&s->seat, compositor, "qv-seat");
  weston_seat_init_pointer(&s->seat);
  /* Clients such as GTK look for a keyboard to give focus to. */
  weston_seat_init_keyboard(&s->seat, NULL);
  wl_event_loop_add_fd(wl_display_get_event_loop(compositor->wl_display), s->fd,
                       WL_EVENT_READABLE, readable, s);
  return 0;
}
