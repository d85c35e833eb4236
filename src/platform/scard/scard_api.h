#pragma once

// The smart-card API of the platform under one set of names: winscard's ANSI entries on Windows,
// pcsc-lite elsewhere. The two differ in the entry names, the reader-state record's name and the
// width of DWORD (32 bits on Windows, 64 on 64-bit Linux); the result codes are the same.

#ifdef _WIN32
#include <windows.h>
#include <winscard.h>
#else
#include <PCSC/winscard.h>
#endif

namespace cardwedge::scard_api {

#ifdef _WIN32
using ReaderState = SCARD_READERSTATEA;

inline LONG ListReaders(SCARDCONTEXT context, LPSTR buffer, LPDWORD length) {
  return SCardListReadersA(context, nullptr, buffer, length);
}

inline LONG Connect(SCARDCONTEXT context, LPCSTR reader, DWORD shareMode, DWORD protocols,
                    LPSCARDHANDLE card, LPDWORD activeProtocol) {
  return SCardConnectA(context, reader, shareMode, protocols, card, activeProtocol);
}

inline LONG GetStatusChange(SCARDCONTEXT context, DWORD timeoutMs, ReaderState* states,
                            DWORD count) {
  return SCardGetStatusChangeA(context, timeoutMs, states, count);
}
#else
using ReaderState = SCARD_READERSTATE;

inline LONG ListReaders(SCARDCONTEXT context, LPSTR buffer, LPDWORD length) {
  return SCardListReaders(context, nullptr, buffer, length);
}

inline LONG Connect(SCARDCONTEXT context, LPCSTR reader, DWORD shareMode, DWORD protocols,
                    LPSCARDHANDLE card, LPDWORD activeProtocol) {
  return SCardConnect(context, reader, shareMode, protocols, card, activeProtocol);
}

inline LONG GetStatusChange(SCARDCONTEXT context, DWORD timeoutMs, ReaderState* states,
                            DWORD count) {
  return SCardGetStatusChange(context, timeoutMs, states, count);
}
#endif

// The reader name under which the service reports readers attached and detached.
inline constexpr char kPnpNotification[] = "\\\\?PnP?\\Notification";

}  // namespace cardwedge::scard_api
