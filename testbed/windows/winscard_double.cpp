// winscard.dll test double: the smart-card service as a test sets it up in the control folder
// named by CARDWEDGE_WINSCARD_CONTROL (see README.md). Wine's own winscard.dll is a stub; this
// one lies beside the program under test and is loaded with WINEDLLOVERRIDES="winscard=n".
// Every call is appended to the folder's log with its arguments and result.

// Defines the protocol control records here instead of importing them.
#define WINSCARDDATA
#include <windows.h>
#include <winscard.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "control_folder.h"
#include "hex.h"
#include "smart_card_world.h"

const SCARD_IO_REQUEST g_rgSCardT0Pci = {SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardT1Pci = {SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};
const SCARD_IO_REQUEST g_rgSCardRawPci = {SCARD_PROTOCOL_RAW, sizeof(SCARD_IO_REQUEST)};

namespace cardwedge::testbed {
namespace {

constexpr std::string_view kPnpNotification = "\\\\?PnP?\\Notification";
constexpr DWORD kPollMilliseconds = 10;
// The state bits that tell whether a reader's state differs from what the caller knows.
constexpr DWORD kStateBits = SCARD_STATE_UNKNOWN | SCARD_STATE_UNAVAILABLE | SCARD_STATE_EMPTY |
                             SCARD_STATE_PRESENT | SCARD_STATE_EXCLUSIVE | SCARD_STATE_INUSE |
                             SCARD_STATE_MUTE;

struct Context {
  unsigned cancellations = 0;
};

struct Connection {
  SCARDCONTEXT context;
  std::string reader;
  std::vector<std::uint8_t> uid;
  DWORD share_mode;
};

class Service {
 public:
  const ControlFolder& control() const { return control_; }
  SmartCardWorld World() const { return ReadSmartCardWorld(control_); }

  LONG Result(const std::string& call, LONG result) const {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    control_.Log(call + " = " + code);
    return result;
  }

  std::mutex mutex;
  std::map<SCARDCONTEXT, Context> contexts;
  std::map<SCARDHANDLE, Connection> connections;
  ULONG_PTR next_handle = 0x10001;

 private:
  ControlFolder control_{L"CARDWEDGE_WINSCARD_CONTROL"};
};

Service& TheService() {
  static Service service;
  return service;
}

std::string Quoted(LPCSTR text) { return text == nullptr ? "null" : '"' + std::string(text) + '"'; }

// The state of one reader as the service reports it, before the CHANGED bit.
DWORD ReaderState(const SmartCardWorld& world, const Service& service, std::string_view reader,
                  SCARD_READERSTATEA& state) {
  if (!world.HasReader(reader)) return SCARD_STATE_UNKNOWN | SCARD_STATE_IGNORE;
  const VirtualCard* card = world.CardIn(reader);
  state.cbAtr = 0;
  if (card == nullptr) return SCARD_STATE_EMPTY;
  const auto atr = VirtualCardAtr();
  std::memcpy(state.rgbAtr, atr.data(), atr.size());
  state.cbAtr = static_cast<DWORD>(atr.size());
  DWORD bits = SCARD_STATE_PRESENT;
  for (const auto& [handle, connection] : service.connections) {
    if (connection.reader != reader) continue;
    bits |=
        connection.share_mode == SCARD_SHARE_EXCLUSIVE ? SCARD_STATE_EXCLUSIVE : SCARD_STATE_INUSE;
  }
  if (card->in_use) bits |= SCARD_STATE_INUSE;
  if (card->exclusive) bits |= SCARD_STATE_EXCLUSIVE;
  if (card->mute) bits |= SCARD_STATE_MUTE;
  return bits;
}

// Fills in the event states; true when any differs from the state the caller passed.
bool UpdateReaderStates(const SmartCardWorld& world, const Service& service,
                        SCARD_READERSTATEA* states, DWORD count) {
  bool changed = false;
  for (DWORD i = 0; i < count; ++i) {
    SCARD_READERSTATEA& state = states[i];
    // A state the caller marks "ignore" is passed over and answered "ignore", as the services do.
    if ((state.dwCurrentState & SCARD_STATE_IGNORE) != 0) {
      state.dwEventState = SCARD_STATE_IGNORE;
      continue;
    }
    const std::string_view reader = state.szReader == nullptr ? "" : state.szReader;
    DWORD event;
    bool differs;
    if (reader == kPnpNotification) {
      // The upper word counts the readers, as on Windows: the call blocks while the caller's
      // count is right. An all-zero state is "unaware", which answers at once, also with no reader.
      event = static_cast<DWORD>(world.readers.size()) << 16;
      differs = state.dwCurrentState == SCARD_STATE_UNAWARE ||
                (state.dwCurrentState >> 16) != world.readers.size();
    } else {
      event = ReaderState(world, service, reader, state);
      // A reader that is not there answers at once, whatever the caller says it knows.
      differs = state.dwCurrentState == SCARD_STATE_UNAWARE || !world.HasReader(reader) ||
                (state.dwCurrentState & kStateBits) != (event & kStateBits);
    }
    state.dwEventState = differs ? event | SCARD_STATE_CHANGED : event;
    changed = changed || differs;
  }
  return changed;
}

}  // namespace
}  // namespace cardwedge::testbed

using cardwedge::HexText;
using cardwedge::testbed::Connection;
using cardwedge::testbed::Quoted;
using cardwedge::testbed::TheService;

LONG WINAPI SCardEstablishContext(DWORD dwScope, LPCVOID, LPCVOID, LPSCARDCONTEXT phContext) {
  auto& service = TheService();
  const std::string call = "SCardEstablishContext scope=" + std::to_string(dwScope);
  if (!service.World().service_running) return service.Result(call, SCARD_E_NO_SERVICE);
  if (phContext == nullptr) return service.Result(call, SCARD_E_INVALID_PARAMETER);
  if (dwScope != SCARD_SCOPE_USER && dwScope != SCARD_SCOPE_SYSTEM) {
    return service.Result(call, SCARD_E_INVALID_VALUE);
  }
  std::lock_guard lock(service.mutex);
  *phContext = service.next_handle++;
  service.contexts[*phContext] = {};
  return service.Result(call, SCARD_S_SUCCESS);
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT hContext) {
  auto& service = TheService();
  const std::string call = "SCardReleaseContext";
  if (!service.World().service_running) return service.Result(call, SCARD_E_NO_SERVICE);
  std::lock_guard lock(service.mutex);
  if (service.contexts.erase(hContext) == 0) return service.Result(call, SCARD_E_INVALID_HANDLE);
  std::erase_if(service.connections,
                [&](const auto& entry) { return entry.second.context == hContext; });
  return service.Result(call, SCARD_S_SUCCESS);
}

LONG WINAPI SCardIsValidContext(SCARDCONTEXT hContext) {
  auto& service = TheService();
  const std::string call = "SCardIsValidContext";
  if (!service.World().service_running) return service.Result(call, SCARD_E_NO_SERVICE);
  std::lock_guard lock(service.mutex);
  return service.Result(
      call, service.contexts.contains(hContext) ? SCARD_S_SUCCESS : SCARD_E_INVALID_HANDLE);
}

LONG WINAPI SCardListReadersA(SCARDCONTEXT hContext, LPCSTR mszGroups, LPSTR mszReaders,
                              LPDWORD pcchReaders) {
  auto& service = TheService();
  const std::string capacity = pcchReaders == nullptr               ? "null"
                               : *pcchReaders == SCARD_AUTOALLOCATE ? "auto"
                                                                    : std::to_string(*pcchReaders);
  const std::string call = "SCardListReadersA groups=" + Quoted(mszGroups) +
                           " buffer=" + (mszReaders == nullptr ? "null" : "given") +
                           " length=" + capacity;
  const auto world = service.World();
  if (!world.service_running) return service.Result(call, SCARD_E_NO_SERVICE);
  if (pcchReaders == nullptr) return service.Result(call, SCARD_E_INVALID_PARAMETER);
  {
    std::lock_guard lock(service.mutex);
    if (hContext != 0 && !service.contexts.contains(hContext)) {
      return service.Result(call, SCARD_E_INVALID_HANDLE);
    }
  }
  if (world.readers.empty()) return service.Result(call, SCARD_E_NO_READERS_AVAILABLE);
  std::string names;
  for (const std::string& reader : world.readers) names += reader + '\0';
  names += '\0';
  const auto needed = static_cast<DWORD>(names.size());
  if (mszReaders == nullptr) {
    *pcchReaders = needed;
    return service.Result(call, SCARD_S_SUCCESS);
  }
  if (*pcchReaders == SCARD_AUTOALLOCATE) {
    auto* allocated = static_cast<char*>(std::malloc(needed));
    if (allocated == nullptr) return service.Result(call, SCARD_E_NO_MEMORY);
    std::memcpy(allocated, names.data(), needed);
    *reinterpret_cast<LPSTR*>(mszReaders) = allocated;
  } else if (*pcchReaders < needed) {
    *pcchReaders = needed;
    return service.Result(call, SCARD_E_INSUFFICIENT_BUFFER);
  } else {
    std::memcpy(mszReaders, names.data(), needed);
  }
  *pcchReaders = needed;
  return service.Result(call, SCARD_S_SUCCESS);
}

LONG WINAPI SCardFreeMemory(SCARDCONTEXT, LPCVOID pvMem) {
  std::free(const_cast<void*>(pvMem));
  return TheService().Result("SCardFreeMemory", SCARD_S_SUCCESS);
}

LONG WINAPI SCardConnectA(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode,
                          DWORD dwPreferredProtocols, LPSCARDHANDLE phCard,
                          LPDWORD pdwActiveProtocol) {
  auto& service = TheService();
  const std::string call = "SCardConnectA reader=" + Quoted(szReader) +
                           " share=" + std::to_string(dwShareMode) +
                           " protocols=" + std::to_string(dwPreferredProtocols);
  const auto world = service.World();
  if (!world.service_running) return service.Result(call, SCARD_E_NO_SERVICE);
  std::lock_guard lock(service.mutex);
  if (!service.contexts.contains(hContext)) return service.Result(call, SCARD_E_INVALID_HANDLE);
  if (szReader == nullptr || phCard == nullptr || pdwActiveProtocol == nullptr) {
    return service.Result(call, SCARD_E_INVALID_PARAMETER);
  }
  // Direct connections to a reader without a card are not offered.
  if (dwShareMode != SCARD_SHARE_SHARED && dwShareMode != SCARD_SHARE_EXCLUSIVE) {
    return service.Result(call, SCARD_E_INVALID_VALUE);
  }
  if (!world.HasReader(szReader)) return service.Result(call, SCARD_E_UNKNOWN_READER);
  const auto* card = world.CardIn(szReader);
  if (card == nullptr) return service.Result(call, SCARD_E_NO_SMARTCARD);
  if (card->mute) return service.Result(call, SCARD_W_UNRESPONSIVE_CARD);
  bool shared_here = false;
  bool exclusive_here = false;
  for (const auto& [handle, connection] : service.connections) {
    if (connection.reader != szReader) continue;
    shared_here = true;
    exclusive_here = exclusive_here || connection.share_mode == SCARD_SHARE_EXCLUSIVE;
  }
  const bool wants_exclusive = dwShareMode == SCARD_SHARE_EXCLUSIVE;
  if (card->exclusive || exclusive_here || (wants_exclusive && (card->in_use || shared_here))) {
    return service.Result(call, SCARD_E_SHARING_VIOLATION);
  }
  if ((dwPreferredProtocols & SCARD_PROTOCOL_T1) == 0) {
    return service.Result(call, SCARD_E_PROTO_MISMATCH);
  }
  *phCard = service.next_handle++;
  *pdwActiveProtocol = SCARD_PROTOCOL_T1;
  service.connections[*phCard] = Connection{hContext, szReader, card->uid, dwShareMode};
  return service.Result(call, SCARD_S_SUCCESS);
}

LONG WINAPI SCardDisconnect(SCARDHANDLE hCard, DWORD dwDisposition) {
  auto& service = TheService();
  const std::string call = "SCardDisconnect disposition=" + std::to_string(dwDisposition);
  if (!service.World().service_running) return service.Result(call, SCARD_E_NO_SERVICE);
  std::lock_guard lock(service.mutex);
  if (!service.connections.contains(hCard)) return service.Result(call, SCARD_E_INVALID_HANDLE);
  if (dwDisposition > SCARD_EJECT_CARD) return service.Result(call, SCARD_E_INVALID_VALUE);
  service.connections.erase(hCard);
  return service.Result(call, SCARD_S_SUCCESS);
}

LONG WINAPI SCardTransmit(SCARDHANDLE hCard, LPCSCARD_IO_REQUEST pioSendPci, LPCBYTE pbSendBuffer,
                          DWORD cbSendLength, LPSCARD_IO_REQUEST, LPBYTE pbRecvBuffer,
                          LPDWORD pcbRecvLength) {
  auto& service = TheService();
  const std::string command =
      pbSendBuffer == nullptr ? "null" : cardwedge::HexText({pbSendBuffer, cbSendLength});
  std::string call = "SCardTransmit " + command;
  const auto world = service.World();
  if (!world.service_running) return service.Result(call, SCARD_E_NO_SERVICE);
  std::lock_guard lock(service.mutex);
  const auto connection = service.connections.find(hCard);
  if (connection == service.connections.end()) {
    return service.Result(call, SCARD_E_INVALID_HANDLE);
  }
  if (pioSendPci == nullptr || pbSendBuffer == nullptr || pbRecvBuffer == nullptr ||
      pcbRecvLength == nullptr || pioSendPci->cbPciLength < sizeof(SCARD_IO_REQUEST)) {
    return service.Result(call, SCARD_E_INVALID_PARAMETER);
  }
  if (pioSendPci->dwProtocol != SCARD_PROTOCOL_T1) {
    return service.Result(call, SCARD_E_PROTO_MISMATCH);
  }
  const auto* card = world.CardIn(connection->second.reader);
  if (card == nullptr || card->uid != connection->second.uid) {
    return service.Result(call, SCARD_W_REMOVED_CARD);
  }
  const auto answer = cardwedge::testbed::AnswerApdu(*card, {pbSendBuffer, cbSendLength});
  call += " -> " + cardwedge::HexText(answer);
  const DWORD capacity = *pcbRecvLength;
  *pcbRecvLength = static_cast<DWORD>(answer.size());
  if (capacity < answer.size()) return service.Result(call, SCARD_E_INSUFFICIENT_BUFFER);
  std::memcpy(pbRecvBuffer, answer.data(), answer.size());
  return service.Result(call, SCARD_S_SUCCESS);
}

LONG WINAPI SCardGetStatusChangeA(SCARDCONTEXT hContext, DWORD dwTimeout,
                                  LPSCARD_READERSTATEA rgReaderStates, DWORD cReaders) {
  auto& service = TheService();
  std::string call = "SCardGetStatusChangeA timeout=" + std::to_string(dwTimeout);
  for (DWORD i = 0; rgReaderStates != nullptr && i < cReaders; ++i) {
    call += " " + Quoted(rgReaderStates[i].szReader);
  }
  if (rgReaderStates == nullptr && cReaders > 0) {
    return service.Result(call, SCARD_E_INVALID_PARAMETER);
  }
  unsigned cancellations;
  {
    std::lock_guard lock(service.mutex);
    const auto context = service.contexts.find(hContext);
    if (context == service.contexts.end()) return service.Result(call, SCARD_E_INVALID_HANDLE);
    cancellations = context->second.cancellations;
  }
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    const auto world = service.World();
    if (!world.service_running) return service.Result(call, SCARD_E_NO_SERVICE);
    {
      std::lock_guard lock(service.mutex);
      const auto context = service.contexts.find(hContext);
      if (context == service.contexts.end()) return service.Result(call, SCARD_E_INVALID_HANDLE);
      if (cardwedge::testbed::UpdateReaderStates(world, service, rgReaderStates, cReaders)) {
        return service.Result(call, SCARD_S_SUCCESS);
      }
      if (context->second.cancellations != cancellations) {
        return service.Result(call, SCARD_E_CANCELLED);
      }
    }
    if (dwTimeout != INFINITE && GetTickCount64() - start >= dwTimeout) {
      return service.Result(call, SCARD_E_TIMEOUT);
    }
    Sleep(cardwedge::testbed::kPollMilliseconds);
  }
}

LONG WINAPI SCardCancel(SCARDCONTEXT hContext) {
  auto& service = TheService();
  const std::string call = "SCardCancel";
  if (!service.World().service_running) return service.Result(call, SCARD_E_NO_SERVICE);
  std::lock_guard lock(service.mutex);
  const auto context = service.contexts.find(hContext);
  if (context == service.contexts.end()) return service.Result(call, SCARD_E_INVALID_HANDLE);
  ++context->second.cancellations;
  return service.Result(call, SCARD_S_SUCCESS);
}
