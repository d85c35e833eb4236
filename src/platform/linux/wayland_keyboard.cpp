#include "platform/linux/wayland_keyboard.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace cardwedge {
namespace {

// xkbcommon numbers keys as X does: the evdev code plus 8.
constexpr xkb_keycode_t kEvdevOffset = 8;

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using Context = std::unique_ptr<xkb_context, Deleter<xkb_context, xkb_context_unref>>;
using Keymap = std::unique_ptr<xkb_keymap, Deleter<xkb_keymap, xkb_keymap_unref>>;
using State = std::unique_ptr<xkb_state, Deleter<xkb_state, xkb_state_unref>>;

xkb_keysym_t KeysymOf(std::uint8_t virtualKey) {
  if (virtualKey >= '0' && virtualKey <= '9') return XKB_KEY_0 + (virtualKey - '0');
  if (virtualKey >= 'A' && virtualKey <= 'Z') return XKB_KEY_a + (virtualKey - 'A');
  if (virtualKey == kVkReturn) return XKB_KEY_Return;
  if (virtualKey == kVkShift) return XKB_KEY_Shift_L;
  return XKB_KEY_NoSymbol;
}

// The key whose first level gives the keysym in the keymap's first layout.
std::optional<xkb_keycode_t> FindKey(xkb_keymap* keymap, xkb_keysym_t keysym) {
  for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap);
       ++key) {
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, key, 0, 0, &syms) == 1 && syms[0] == keysym) {
      return key;
    }
  }
  return std::nullopt;
}

std::uint32_t Milliseconds() {
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace

struct WaylandKeyboard::Connection {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_seat* seat = nullptr;
  zwp_virtual_keyboard_manager_v1* manager = nullptr;
  zwp_virtual_keyboard_v1* keyboard = nullptr;
  std::uint32_t toplevelsName = 0;  // the compositor's toplevel list, 0 when it has none
  std::map<zwlr_foreign_toplevel_handle_v1*, bool> activated;  // each open toplevel
  Context context{xkb_context_new(XKB_CONTEXT_NO_FLAGS)};
  Keymap keymap;
  State state;

  ~Connection() {
    ForgetToplevels();
    if (keyboard != nullptr) zwp_virtual_keyboard_v1_destroy(keyboard);
    if (manager != nullptr) zwp_virtual_keyboard_manager_v1_destroy(manager);
    if (seat != nullptr) wl_seat_destroy(seat);
    if (registry != nullptr) wl_registry_destroy(registry);
    if (display != nullptr) wl_display_disconnect(display);
  }

  static void Global(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                     std::uint32_t) {
    auto* self = static_cast<Connection*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && self->seat == nullptr) {
      self->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
      self->manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
          wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0) {
      self->toplevelsName = name;
    }
  }
  static void GlobalRemove(void*, wl_registry*, std::uint32_t) {}
  static constexpr wl_registry_listener kRegistryListener = {&Global, &GlobalRemove};

  // The open toplevels (native and Xwayland windows) and whether the compositor has one active:
  // the virtual keyboard's keys go to the active one, and nowhere when there is none.
  static void Toplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                       zwlr_foreign_toplevel_handle_v1* handle) {
    static_cast<Connection*>(data)->activated[handle] = false;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, data);
  }
  static void Finished(void*, zwlr_foreign_toplevel_manager_v1* toplevels) {
    zwlr_foreign_toplevel_manager_v1_destroy(toplevels);
  }
  static constexpr zwlr_foreign_toplevel_manager_v1_listener kToplevelsListener = {&Toplevel,
                                                                                   &Finished};
  static void ToplevelState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* states) {
    bool active = false;
    const auto* state = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
      active = active || state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
    }
    static_cast<Connection*>(data)->activated[handle] = active;
  }
  static void Closed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
    static_cast<Connection*>(data)->activated.erase(handle);
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
  }
  static void Text(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
  static void Output(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void Done(void*, zwlr_foreign_toplevel_handle_v1*) {}
  static void Parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
  static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
      &Text, &Text, &Output, &Output, &ToplevelState, &Done, &Closed, &Parent};

  void ForgetToplevels() {
    for (const auto& [handle, active] : activated) zwlr_foreign_toplevel_handle_v1_destroy(handle);
    activated.clear();
  }

  // Whether the compositor has a window active now; nullopt when the connection broke. The list
  // is asked for afresh each time and let go at once: kept, it would fill the connection with
  // every change of every window's title between two cards.
  std::optional<bool> AnyActive() {
    ForgetToplevels();
    auto* toplevels = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        wl_registry_bind(registry, toplevelsName, &zwlr_foreign_toplevel_manager_v1_interface, 1));
    zwlr_foreign_toplevel_manager_v1_add_listener(toplevels, &kToplevelsListener, this);
    const bool answered = wl_display_roundtrip(display) >= 0;
    bool any = false;
    for (const auto& [handle, active] : activated) any = any || active;
    ForgetToplevels();
    zwlr_foreign_toplevel_manager_v1_stop(toplevels);  // Finished lets the list go
    if (!answered) return std::nullopt;
    return any;
  }

  // The reason it cannot type; empty when the keyboard is ready.
  std::string Open() {
    display = wl_display_connect(nullptr);
    if (display == nullptr) return "cannot connect to the Wayland display";
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, this);
    if (wl_display_roundtrip(display) < 0) return "the Wayland display closed the connection";
    if (manager == nullptr) return "the compositor offers no virtual keyboard";
    if (toplevelsName == 0) return "the compositor does not tell which window is active";
    if (seat == nullptr) return "the compositor has no seat";
    return UploadKeymap();
  }

  std::string UploadKeymap() {
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    keymap.reset(context
                     ? xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                     : nullptr);
    if (!keymap) return "cannot compile the US keymap (are the XKB data files installed?)";
    state.reset(xkb_state_new(keymap.get()));
    const std::unique_ptr<char, Deleter<void, free>> text(
        xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1));
    const std::size_t size = std::strlen(text.get()) + 1;
    const int fd = memfd_create("cardwedge-keymap", MFD_CLOEXEC);
    if (fd < 0) return std::string("cannot hand the keymap over: ") + std::strerror(errno);
    const bool written = write(fd, text.get(), size) == static_cast<ssize_t>(size);
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    if (written) {
      zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                     static_cast<std::uint32_t>(size));
    }
    close(fd);
    if (!written) return "cannot hand the keymap over";
    if (wl_display_roundtrip(display) < 0) return "the compositor refused the virtual keyboard";
    return "";
  }

  // Writes out what is queued, waiting while the socket is full; false when the connection broke.
  bool Flush() {
    while (wl_display_flush(display) < 0) {
      if (errno != EAGAIN) return false;
      pollfd writable{wl_display_get_fd(display), POLLOUT, 0};
      if (poll(&writable, 1, -1) < 0 && errno != EINTR) return false;
    }
    return true;
  }

  bool Key(xkb_keycode_t key, bool down) {
    zwp_virtual_keyboard_v1_key(
        keyboard, Milliseconds(), key - kEvdevOffset,
        down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (xkb_state_update_key(state.get(), key, down ? XKB_KEY_DOWN : XKB_KEY_UP) != 0) {
      zwp_virtual_keyboard_v1_modifiers(
          keyboard, xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_DEPRESSED),
          xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_LATCHED),
          xkb_state_serialize_mods(state.get(), XKB_STATE_MODS_LOCKED),
          xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE));
    }
    return Flush();
  }
};

WaylandKeyboard::WaylandKeyboard() : connection_(std::make_unique<Connection>()) {
  unavailableReason_ = connection_->Open();
  if (!unavailableReason_.empty()) connection_.reset();
}

WaylandKeyboard::~WaylandKeyboard() = default;

void WaylandKeyboard::CheckFocusedWindow() {
  if (!unavailableReason_.empty()) {
    throw TypingError("Wayland keyboard output unavailable: " + unavailableReason_);
  }
  const std::optional<bool> active = connection_->AnyActive();
  if (!active) {
    connection_.reset();
    unavailableReason_ = "the Wayland compositor closed the connection";
    throw TypingError("Wayland keyboard output unavailable: " + unavailableReason_);
  }
  if (!*active) {
    throw TypingError("no window has the keyboard focus: click the host's field",
                      TypingError::Cause::kNoFocusedWindow);
  }
}

void WaylandKeyboard::Send(const std::vector<KeyEvent>& events) {
  CheckFocusedWindow();
  std::vector<xkb_keycode_t> keys;
  keys.reserve(events.size());
  for (const KeyEvent& event : events) {
    const xkb_keysym_t keysym = KeysymOf(event.virtualKey);
    const std::optional<xkb_keycode_t> key =
        keysym == XKB_KEY_NoSymbol ? std::nullopt : FindKey(connection_->keymap.get(), keysym);
    if (!key) throw NoKeyOnLayout(event.virtualKey);
    keys.push_back(*key);
  }
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (!connection_->Key(keys[i], events[i].down)) break;
  }
  if (wl_display_roundtrip(connection_->display) < 0) {
    connection_.reset();
    unavailableReason_ = "the Wayland compositor closed the connection";
    throw TypingError(
        "the Wayland compositor closed the connection while the value was typed: it may have "
        "arrived in part");
  }
}

}  // namespace cardwedge
