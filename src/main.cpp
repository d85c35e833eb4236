#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "check/check_command.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/run_handler.h"
#include "platform/make_platform.h"
#include "roster/roster.h"
#include "startup/command_line.h"
#include "startup/error_box.h"
#include "startup/form1.h"

#ifndef CARDWEDGE_VERSION
#define CARDWEDGE_VERSION "unknown"
#endif

namespace {

using namespace cardwedge;

std::string JoinArguments(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

// A fatal start-up problem: the diagnostics (stderr and the log file), and a message box as a
// desktop program shows it.
int ReportFatal(Platform& platform, const std::string& text, int status) {
  Diagnose(text.ends_with('\n') ? text.substr(0, text.size() - 1) : text);
  FlushDiagnostics();
  ShowEndingError(platform, text);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareProcess();
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "cardwedge " << CARDWEDGE_VERSION << "\n";
    return 0;
  }

  const std::unique_ptr<PlatformServices> services = MakePlatform();
  Platform& platform = services->platform();
  SetHandlerErrorReport([&platform](const std::string& text) {
    ShowEndingError(platform, text + "\n\nThe program has ended.");
  });

  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    if (const std::optional<int> wait = ReadCheckCommand(arguments)) {
      return RunSiteCheck(platform, services->siteProbes(), *wait, CARDWEDGE_VERSION);
    }
  } catch (const CommandLineError& error) {
    return ReportFatal(platform, std::string(error.what()) + "\n" + kUsage, 2);
  }

  ProgramState state;
  Form1 form1(platform, state);
  try {
    if (form1.Form_Load(JoinArguments(argc, argv)) != StartOutcome::kWindowsOpen) return 0;
  } catch (const CommandLineError& error) {
    return ReportFatal(platform, std::string(error.what()) + "\n" + kUsage, 2);
  } catch (const RosterError& error) {
    return ReportFatal(platform, std::string(error.what()) + "\n", 3);
  } catch (const std::exception& error) {
    return ReportFatal(platform, std::string("start-up failed: ") + error.what() + "\n", 1);
  }
  return platform.toolkit.Run();
}
