// The program's keyboard, run as the desktop's user: says which keyboard it chose, then types
// each line of stdin as digits and answers "typed" or "refused <cause number> <reason>".

#include <csignal>
#include <iostream>
#include <string>

#include "platform/linux/linux_keyboard.h"
#include "roster/typing.h"

int main() {
  std::signal(SIGPIPE, SIG_IGN);  // as the program does: a closed connection is an error
  cardwedge::LinuxKeyboard keyboard;
  std::cout << keyboard.Description() << std::endl;
  std::string line;
  while (std::getline(std::cin, line)) {
    try {
      keyboard.CheckFocusedWindow();
      keyboard.Send(cardwedge::PlanDigits(line));
      std::cout << "typed" << std::endl;
    } catch (const cardwedge::TypingError& error) {
      std::cout << "refused " << static_cast<int>(error.cause()) << " " << error.what()
                << std::endl;
    }
  }
}
