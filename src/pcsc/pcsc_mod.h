#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/smart_card.h"
#include "platform/toolkit.h"

namespace cardwedge {

// The mark of the preferred reader model in a reader name (exact, case-sensitive).
inline constexpr std::string_view kPreferredReaderMark = "ACR122U";

// The names of a multi-string: each name ends with a NUL and an empty name ends the list. A text
// that runs out without the closing empty name ends there.
std::vector<std::string> ReaderNames(std::string_view multiString);

// Replaces the combo box's items with the names of a multi-string (ReaderNames).
void FillReaderList(Control& comboBox, std::string_view multiString);

// The index of the reader to use: the first whose name holds the preferred mark, else the last
// one; -1 when there is none.
int ChooseReader(const std::vector<std::string>& readerNames);

// 1 when the event state says the card is in use by another application or not answering.
int ReaderBusyFromEventState(std::uint32_t eventState);

// True for a response that ends with status words other than 6A 81 (function not supported); a
// response too short to hold status words is not valid.
bool IsValidResponse(const std::uint8_t* response, std::size_t length);

// True for the results that mean the service, the context or the reader itself is gone, as
// opposed to a reader without a card: the window then needs a new context and reader list.
bool ServiceOrReaderLost(ScardResult result);

}  // namespace cardwedge
