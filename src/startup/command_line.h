#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cardwedge {

// A command line that start-up cannot use; the text names the offending word.
class CommandLineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Splits the command-line text at every single space: an empty text gives no word, two spaces in
// a row give an empty word between them.
std::vector<std::string> SplitCommandLine(std::string_view text);

inline constexpr char kUsage[] =
    "usage: cardwedge FLAG MODE\n"
    "  FLAG  1 turns the host-application watch off; any other number leaves it on\n"
    "  MODE  2 FeliCa reader window, 3 PC/SC reader window, 4 both\n"
    "   or: cardwedge --check [SECONDS]\n"
    "  checks this desk's set-up, then reports the cards laid within SECONDS (0 to 3600)\n";

inline constexpr char kCheckWord[] = "--check";
inline constexpr int kMaxCheckWaitSeconds = 3600;

// The wait of `--check [SECONDS]`, 0 without SECONDS; nothing when the first argument is not
// --check. Raises CommandLineError for a SECONDS that is not a whole number from 0 to 3600, or
// for any word after it.
std::optional<int> ReadCheckCommand(const std::vector<std::string>& arguments);

}  // namespace cardwedge
