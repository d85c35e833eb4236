/* The floor of the FeliCa latency: a minimal libnfc loop that polls for a FeliCa card every
   100 ms, as the tool does, and types a fixed number and Enter through XTest when a card comes;
   nothing else. Usage: felica_floor CONNSTRING NUMBER (on $DISPLAY). */

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <nfc/nfc.h>
#include <stdbool.h>
#include <stdio.h>
#include <time.h>

static void Tap(Display* display, KeySym keysym) {
  const KeyCode key = XKeysymToKeycode(display, keysym);
  XTestFakeKeyEvent(display, key, True, CurrentTime);
  XTestFakeKeyEvent(display, key, False, CurrentTime);
}

static void Type(Display* display, const char* number) {
  for (const char* digit = number; *digit != '\0'; ++digit) Tap(display, XK_0 + (*digit - '0'));
  Tap(display, XK_Return);
  XSync(display, False);
}

static bool CardThere(nfc_device* device) {
  static const uint8_t kPolling[] = {0x00, 0xFF, 0xFF, 0x00, 0x00};
  const nfc_modulation felica = {.nmt = NMT_FELICA, .nbr = NBR_212};
  nfc_target target;
  if (nfc_initiator_select_passive_target(device, felica, kPolling, sizeof kPolling, &target) <=
      0) {
    return false;
  }
  nfc_initiator_deselect_target(device);
  return true;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: felica_floor CONNSTRING NUMBER\n");
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  nfc_context* context = NULL;
  nfc_init(&context);
  nfc_device* device = context == NULL ? NULL : nfc_open(context, argv[1]);
  if (display == NULL || device == NULL || nfc_initiator_init(device) < 0 ||
      nfc_device_set_property_bool(device, NP_INFINITE_SELECT, false) < 0) {
    fprintf(stderr, "felica_floor: no display or no reader\n");
    return 1;
  }
  fprintf(stderr, "watching\n");
  /* A poll every 100 ms, however long the poll itself took, as a timer does. */
  struct timespec due;
  clock_gettime(CLOCK_MONOTONIC, &due);
  bool wasThere = false;
  for (;;) {
    const bool there = CardThere(device);
    if (there && !wasThere) Type(display, argv[2]);
    wasThere = there;
    due.tv_nsec += 100 * 1000 * 1000;
    if (due.tv_nsec >= 1000 * 1000 * 1000) {
      due.tv_nsec -= 1000 * 1000 * 1000;
      ++due.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, NULL);
  }
}
