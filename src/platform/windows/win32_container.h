#pragma once

#include <windows.h>

namespace cardwedge {

// Window class of frames and picture boxes: a real parent for the controls they hold, so that
// disabling or hiding it takes them along. A frame also draws its caption and etched border.
inline constexpr wchar_t kContainerClass[] = L"CardwedgeContainer";
inline constexpr DWORD kFrameStyle = 0x0001;

void RegisterContainerClass();

// The brush that a declared window and its containers paint their background with, and that
// labels and check boxes on them show through. The caller keeps the brush alive.
void SetBackground(HWND parent, HBRUSH brush);

// What a parent of declared controls does with their notifications: clicks go to the control's
// handler, labels and check boxes take the parent's background. Returns false for other messages.
bool HandleParentMessage(HWND parent, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT& result);

}  // namespace cardwedge
