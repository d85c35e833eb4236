#pragma once

#include <string_view>

#include "roster/card_lookup.h"

namespace cardwedge {

enum class ReaderFamily { kFelica, kPcsc };

inline constexpr ReaderFamily kReaderFamilies[] = {ReaderFamily::kFelica, ReaderFamily::kPcsc};

// How the family's window looks a card up: the FeliCa window lets a record with an empty card
// identifier match, the PC/SC window never.
EmptyCardIds EmptyCardIdsOf(ReaderFamily family);

// Whether a card on a reader of the family can give this identifier: the bytes the text stands
// for, formatted as the family's window formats a card's identifier, give the text back.
bool ReaderGives(ReaderFamily family, std::string_view cardId);

// Whether a card on a reader of either family can give this identifier.
bool AnyReaderGives(std::string_view cardId);

// Whether common cards give identifiers of this one's shape: a FeliCa card's 8-byte IDm, and on
// PC/SC the ISO 14443 UIDs of 4, 7 or 10 bytes, or without the UID prefix a FeliCa card's IDm.
bool CommonCardGives(ReaderFamily family, std::string_view cardId);

// Whether common cards whose characters 15 to 30 are this card identifier find a record of it
// (the lookup's third rule): a 2-character identifier is found by every FeliCa card ending in it.
bool CommonCardsFindAsTail(std::string_view cardId);

}  // namespace cardwedge
