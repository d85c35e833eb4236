#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace cardwedge {

using ScardResult = std::uint32_t;
using ScardHandle = std::intptr_t;

// Result codes and constants of the smart-card API.
inline constexpr ScardResult kScardSuccess = 0;
inline constexpr ScardResult kErrorBrokenPipe = 0x00000109;
inline constexpr ScardResult kScardEInvalidHandle = 0x80100003;
inline constexpr ScardResult kScardEUnknownReader = 0x80100009;
inline constexpr ScardResult kScardENoSmartcard = 0x8010000C;
inline constexpr ScardResult kScardFCommError = 0x80100013;
inline constexpr ScardResult kScardEReaderUnavailable = 0x80100017;
inline constexpr ScardResult kScardENoService = 0x8010001D;
inline constexpr ScardResult kScardEServiceStopped = 0x8010001E;
inline constexpr ScardResult kScardENoReadersAvailable = 0x8010002E;
inline constexpr ScardResult kScardWRemovedCard = 0x80100069;

inline constexpr std::uint32_t kScardScopeUser = 0;
inline constexpr std::uint32_t kScardShareShared = 2;
inline constexpr std::uint32_t kScardProtocolT0 = 1;
inline constexpr std::uint32_t kScardProtocolT1 = 2;
inline constexpr std::uint32_t kScardUnpowerCard = 2;
inline constexpr std::uint32_t kScardStateUnaware = 0;
inline constexpr std::uint32_t kScardStateInUse = 0x100;
inline constexpr std::uint32_t kScardStateMute = 0x200;

// One reader's record for GetStatusChange.
struct ScardReaderState {
  std::string reader;  // ANSI
  std::uint32_t currentState = kScardStateUnaware;
  std::uint32_t eventState = 0;
  std::uint32_t atrLength = 0;
  std::array<std::uint8_t, 36> atr{};
};

// Protocol control information of an exchange; the backend passes the platform's own record,
// sized for the platform.
struct ScardIoRequest {
  std::uint32_t protocol = 0;
};

// What a reader watch saw change.
enum class ReaderChange {
  kCardPresence,  // a card arrived at the watched reader or left it
  kReaderList,    // a reader was attached or detached, or the service came back after a loss
};

// The smart-card service: the seven calls the PC/SC window makes, with the service's arguments
// and result codes; and a watch that wakes the window when a card arrives. Under each call, the
// codes it gives besides kScardSuccess and what the window makes of them. Any call can also give
// the codes of a lost service (ClassifyScardResult, platform/scard_result.h: SCARD_E_NO_SERVICE,
// SCARD_E_SERVICE_STOPPED, SCARD_E_INVALID_HANDLE for a dead context, SCARD_F_COMM_ERROR,
// ERROR_BROKEN_PIPE): the window then lists anew, at most once a second, until one works.
class SmartCard {
 public:
  virtual ~SmartCard() = default;
  // SCARD_E_NO_SERVICE, SCARD_E_SERVICE_STOPPED: the service is not running (the title shows
  // it); SCARD_E_NO_MEMORY.
  virtual ScardResult EstablishContext(std::uint32_t scope, ScardHandle& context) = 0;
  // Writes the reader names as a multi-string (each name NUL-terminated, an empty name ends the
  // list) into buffer; length holds its capacity on entry and the length written on return. With
  // a null buffer nothing is written and length receives the length the whole list needs.
  // SCARD_E_NO_READERS_AVAILABLE: no reader attached (the title shows it);
  // SCARD_E_INSUFFICIENT_BUFFER: the list grew between the two calls (the next listing reads it).
  virtual ScardResult ListReaders(ScardHandle context, char* buffer, std::uint32_t& length) = 0;
  // SCARD_E_NO_SMARTCARD, SCARD_W_REMOVED_CARD: no card on the reader, the poll's everyday answer;
  // SCARD_E_SHARING_VIOLATION: another program holds the card alone; SCARD_W_UNRESPONSIVE_CARD,
  // SCARD_W_UNPOWERED_CARD, SCARD_E_PROTO_MISMATCH: a card that does not answer. None of these
  // reads the card; the next tick tries again. SCARD_E_UNKNOWN_READER, SCARD_E_READER_UNAVAILABLE:
  // the reader is gone, and the window lists anew.
  virtual ScardResult Connect(ScardHandle context, const std::string& reader,
                              std::uint32_t shareMode, std::uint32_t preferredProtocols,
                              ScardHandle& card, std::uint32_t& activeProtocol) = 0;
  // SCARD_E_INVALID_HANDLE: no card was connected. The window ignores the result.
  virtual ScardResult Disconnect(ScardHandle card, std::uint32_t disposition) = 0;
  // SCARD_E_INVALID_HANDLE: the context was released or died with the service. Ignored.
  virtual ScardResult ReleaseContext(ScardHandle context) = 0;
  // SCARD_E_TIMEOUT: nothing changed within timeoutMs; SCARD_E_CANCELLED: the wait was cancelled;
  // SCARD_E_UNKNOWN_READER: the reader is not attached, and the window lists anew.
  virtual ScardResult GetStatusChange(ScardHandle context, std::uint32_t timeoutMs,
                                      ScardReaderState& state) = 0;
  // recvLength holds the capacity of recv on entry and the response length on return.
  // SCARD_W_REMOVED_CARD, SCARD_W_RESET_CARD: the card went or was reset during the exchange;
  // SCARD_E_NOT_TRANSACTED, SCARD_E_COMM_DATA_LOST: the exchange failed;
  // SCARD_E_INSUFFICIENT_BUFFER. Nothing is typed for any of them; the card is read again when it
  // is laid down again.
  virtual ScardResult Transmit(ScardHandle card, const ScardIoRequest& sendPci,
                               const std::uint8_t* send, std::uint32_t sendLength,
                               ScardIoRequest& recvPci, std::uint8_t* recv,
                               std::uint32_t& recvLength) = 0;

  // Watches one reader (none for an empty name) and the service's reader list, on a context and a
  // thread of the backend's own, and calls onChange on that thread at each change; also once when
  // a watch starts and finds a card already there. onChange must return at once and touch no
  // window state: it posts to the user-interface thread. A later call re-targets the watch to
  // another reader (the onChange of the first call stays); calling again with the same reader does
  // nothing. When the service goes away, the watch waits for it and reports kReaderList when it is
  // back. Called from the user-interface thread only.
  virtual void WatchReader(const std::string& reader,
                           std::function<void(ReaderChange)> onChange) = 0;
  // Cancels the watch and joins its thread; returns promptly, whatever the service does. Every
  // ending of the program calls it first (EndProgram), so the thread is never killed inside the
  // service's library.
  virtual void StopWatching() = 0;
};

}  // namespace cardwedge
