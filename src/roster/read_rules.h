#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"
#include "roster/typing.h"

namespace cardwedge {

inline constexpr char kConfirmationSoundName[] = "カード確認.WAV";
inline constexpr char kWarningSoundName[] = "警告1.wav";
inline constexpr double kSecondsPerDay = 86400.0;

// Seconds from lastReadTime to now on the seconds-since-midnight clock, counted across midnight
// (a read at 23:59:58 is 5 seconds old at 00:00:03).
double ElapsedSince(double now, double lastReadTime);

// The repeat rule of lookup mode: a card is accepted when it differs from the last accepted
// card, when more than 10 seconds have passed, or more than 3 when the last lookup matched
// roster record 2.
bool RepeatAccepted(const std::string& cardId, const std::string& lastCardId, double elapsed,
                    int secondEntryFlag);

enum class FoundValue {
  kNotFound,    // no match, or a value that reads as the number 0
  kTypeable,    // a non-zero whole number made of digits
  kUntypeable,  // anything else: empty, not a number, or a number with a sign, point or spaces
};

FoundValue ClassifyFoundValue(const std::optional<std::string>& value);

// Plays a sound file of the program's folder when it exists.
void PlaySoundIfPresent(Platform& platform, const std::string& soundName);
// Readies the confirmation and warning sounds of the program's folder that exist, when a window
// loads: loading a sound at the first card would take the processor from that card's keys.
void PreloadSounds(Platform& platform);

// The fixed busy delay a window makes before typing while the other window types: a count past
// 1000, not a wait for the other window to finish.
void BusyCount();

// Types a found value under the two windows' typing flags: the busy delay first when the other
// window is typing, then the window's own flag is 1 while it types and back to 0 afterwards, also
// when typing fails (the error goes on to the caller).
void TypeDigitsFlagged(Typist& typist, std::string_view value, int& ownTyping,
                       const int& otherTyping);

}  // namespace cardwedge
