/* The floor of the PC/SC latency: the least a program can do from a card's arrival to its Enter.
   It waits for the card in SCardGetStatusChange, connects, sends GET DATA and types a fixed
   number and Enter through XTest; nothing else. Usage: pcsc_floor READER NUMBER (on $DISPLAY). */

#include <PCSC/winscard.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <stdio.h>

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

static void ReadCard(SCARDCONTEXT context, const char* reader, Display* display,
                     const char* number) {
  static const BYTE kGetData[] = {0xFF, 0xCA, 0x00, 0x00, 0x00};
  SCARDHANDLE card = 0;
  DWORD protocol = 0;
  if (SCardConnect(context, reader, SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                   &card, &protocol) != SCARD_S_SUCCESS) {
    return;
  }
  const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
  BYTE answer[258];
  DWORD length = sizeof answer;
  if (SCardTransmit(card, pci, kGetData, sizeof kGetData, NULL, answer, &length) ==
          SCARD_S_SUCCESS &&
      length >= 2 && answer[length - 2] == 0x90) {
    Type(display, number);
  }
  SCardDisconnect(card, SCARD_LEAVE_CARD);
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: pcsc_floor READER NUMBER\n");
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  SCARDCONTEXT context = 0;
  if (display == NULL ||
      SCardEstablishContext(SCARD_SCOPE_USER, NULL, NULL, &context) != SCARD_S_SUCCESS) {
    fprintf(stderr, "pcsc_floor: no display or no smart-card service\n");
    return 1;
  }
  SCARD_READERSTATE state = {.szReader = argv[1], .dwCurrentState = SCARD_STATE_UNAWARE};
  fprintf(stderr, "watching\n");
  for (;;) {
    if (SCardGetStatusChange(context, INFINITE, &state, 1) != SCARD_S_SUCCESS) return 1;
    const DWORD was = state.dwCurrentState;
    state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
    if (was != SCARD_STATE_UNAWARE && (state.dwEventState & SCARD_STATE_PRESENT) != 0 &&
        (was & SCARD_STATE_PRESENT) == 0) {
      ReadCard(context, argv[1], display, argv[2]);
    }
  }
}
