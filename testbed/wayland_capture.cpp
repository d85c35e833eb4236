// A native Wayland window for the tests of typing on Wayland: an xdg-shell toplevel with a plain
// white buffer that reports on stdout what its keyboard focus and keys are, in key_capture's
// words, so KeyCapture reads either.

#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>
#include <iostream>
#include <string>

#include "key_text.h"
#include "xdg-shell-client-protocol.h"

namespace cardwedge::testbed {
namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

void Emit(const std::string& event) { std::cout << event << std::endl; }

struct Client {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  xdg_wm_base* wmBase = nullptr;
  wl_surface* surface = nullptr;
  wl_buffer* buffer = nullptr;
  bool configured = false;
  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  xkb_keymap* keymap = nullptr;
  xkb_state* state = nullptr;
};

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto* c = static_cast<Client*>(data);
  if (std::strcmp(interface, wl_compositor_interface.name) == 0) {
    c->compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  } else if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    c->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && c->seat == nullptr) {
    c->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0) {
    c->wmBase =
        static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
  }
}
void GlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {&Global, &GlobalRemove};

void Ping(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener kWmBaseListener = {&Ping};

wl_buffer* WhiteBuffer(wl_shm* shm) {
  const int stride = kWidth * 4, size = stride * kHeight;
  const int fd = memfd_create("wayland-capture", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
  void* pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  std::memset(pixels, 0xFF, size);
  munmap(pixels, size);
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
  wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, kWidth, kHeight, stride, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return buffer;
}

void SurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
  auto* c = static_cast<Client*>(data);
  xdg_surface_ack_configure(surface, serial);
  wl_surface_attach(c->surface, c->buffer, 0, 0);
  wl_surface_commit(c->surface);
  if (!c->configured) Emit("ready");
  c->configured = true;
}
const xdg_surface_listener kSurfaceListener = {&SurfaceConfigure};

void Keymap(void* data, wl_keyboard*, uint32_t, int32_t fd, uint32_t size) {
  auto* c = static_cast<Client*>(data);
  void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (text == MAP_FAILED) return;
  xkb_state_unref(c->state);
  xkb_keymap_unref(c->keymap);
  c->keymap = xkb_keymap_new_from_string(c->context, static_cast<const char*>(text),
                                         XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
  munmap(text, size);
  c->state = c->keymap != nullptr ? xkb_state_new(c->keymap) : nullptr;
}
void Enter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) { Emit("focus in"); }
void Leave(void*, wl_keyboard*, uint32_t, wl_surface*) { Emit("focus out"); }
void Key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t pressed) {
  auto* c = static_cast<Client*>(data);
  if (c->state == nullptr || pressed != WL_KEYBOARD_KEY_STATE_PRESSED) return;
  const xkb_keycode_t keycode = key + 8;  // evdev to xkb numbering
  char name[64] = "";
  xkb_keysym_get_name(xkb_state_key_get_one_sym(c->state, keycode), name, sizeof(name));
  char text[16] = "";
  xkb_state_key_get_utf8(c->state, keycode, text, sizeof(text));
  Emit(std::string("key ") + name + " " + Escape(std::strcmp(name, "Return") == 0 ? "\n" : text));
}
void Modifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
               uint32_t locked, uint32_t group) {
  auto* c = static_cast<Client*>(data);
  if (c->state != nullptr) xkb_state_update_mask(c->state, depressed, latched, locked, 0, 0, group);
}
const wl_keyboard_listener kKeyboardListener = {&Keymap, &Enter, &Leave, &Key, &Modifiers};

// A seat without a keyboard hands out one that never gets events: take it once the seat has one
// (a headless compositor gets its first keyboard from a program's virtual keyboard).
void Capabilities(void* data, wl_seat* seat, uint32_t capabilities) {
  auto* c = static_cast<Client*>(data);
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) == 0 || c->keyboard != nullptr) return;
  c->keyboard = wl_seat_get_keyboard(seat);
  wl_keyboard_add_listener(c->keyboard, &kKeyboardListener, c);
}
const wl_seat_listener kSeatListener = {&Capabilities, nullptr};

}  // namespace
}  // namespace cardwedge::testbed

int main() {
  using namespace cardwedge::testbed;
  Client c;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::cerr << "wayland_capture: cannot connect to the Wayland display\n";
    return 1;
  }
  wl_registry_add_listener(wl_display_get_registry(display), &kRegistryListener, &c);
  wl_display_roundtrip(display);
  if (c.compositor == nullptr || c.shm == nullptr || c.seat == nullptr || c.wmBase == nullptr) {
    std::cerr << "wayland_capture: the compositor lacks a global this window needs\n";
    return 1;
  }
  xdg_wm_base_add_listener(c.wmBase, &kWmBaseListener, &c);
  wl_seat_add_listener(c.seat, &kSeatListener, &c);
  c.buffer = WhiteBuffer(c.shm);
  c.surface = wl_compositor_create_surface(c.compositor);
  xdg_surface* surface = xdg_wm_base_get_xdg_surface(c.wmBase, c.surface);
  xdg_surface_add_listener(surface, &kSurfaceListener, &c);
  xdg_toplevel_set_title(xdg_surface_get_toplevel(surface), "wayland capture");
  wl_surface_commit(c.surface);

  // Until the compositor goes or stdin closes.
  pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  while (true) {
    wl_display_dispatch_pending(display);
    wl_display_flush(display);
    if (poll(fds, 2, -1) < 0) break;
    if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) break;
    if ((fds[0].revents & POLLIN) != 0 && wl_display_dispatch(display) < 0) break;
    if ((fds[0].revents & (POLLHUP | POLLERR)) != 0) break;
  }
  return 0;
}
