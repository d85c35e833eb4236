#include "roster/read_rules.h"

#include <cmath>

#include "common/number_text.h"

namespace cardwedge {

double ElapsedSince(double now, double lastReadTime) {
  const double elapsed = std::fmod(now - lastReadTime, kSecondsPerDay);
  return elapsed < 0 ? elapsed + kSecondsPerDay : elapsed;
}

bool RepeatAccepted(const std::string& cardId, const std::string& lastCardId, double elapsed,
                    int secondEntryFlag) {
  return cardId != lastCardId || elapsed > 10 || (secondEntryFlag == 1 && elapsed > 3);
}

FoundValue ClassifyFoundValue(const std::optional<std::string>& value) {
  if (!value) return FoundValue::kNotFound;
  const std::optional<double> number = ParseNumber(*value);
  if (!number) return FoundValue::kUntypeable;
  if (*number == 0) return FoundValue::kNotFound;
  return IsDigitsOnly(*value) ? FoundValue::kTypeable : FoundValue::kUntypeable;
}

void PlaySoundIfPresent(Platform& platform, const std::string& soundName) {
  const std::string path = platform.files.JoinPath(platform.files.ProgramFolder(), soundName);
  if (platform.files.FileExists(path)) platform.sound.PlayAsync(path);
}

void PreloadSounds(Platform& platform) {
  for (const char* soundName : {kConfirmationSoundName, kWarningSoundName}) {
    const std::string path = platform.files.JoinPath(platform.files.ProgramFolder(), soundName);
    if (platform.files.FileExists(path)) platform.sound.Preload(path);
  }
}

void BusyCount() {
  volatile int count = 0;
  while (count <= 1000) count = count + 1;
}

void TypeDigitsFlagged(Typist& typist, std::string_view value, int& ownTyping,
                       const int& otherTyping) {
  if (otherTyping == 1) BusyCount();
  ownTyping = 1;
  struct ClearOnExit {
    int& flag;
    ~ClearOnExit() { flag = 0; }
  } clear{ownTyping};
  typist.TypeDigits(value);
}

}  // namespace cardwedge
