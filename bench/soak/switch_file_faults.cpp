#include "switch_file_faults.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <string_view>
#include <thread>

#include "interruption.h"
#include "roster/host_watch.h"
#include "soak_bed.h"

namespace cardwedge::soak {
namespace {

using namespace std::chrono_literals;

// Each leaves lookup (0) or raw-ID (1) mode, also when read half-written: a first field that is
// a number other than 0, 1, 8 or 9 changes nothing, and an empty file means lookup mode.
constexpr std::array<std::string_view, 6> kContents = {"0", "1\r\n", "1,0", "0\r\n1", "7,0", " 1 "};
constexpr auto kBetweenRewrites = 20ms;
constexpr auto kHeldOpen = 40ms;

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written <= 0) throw testbed::TestbedError("cannot write the switch file");
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

// One rewrite in the way of `style`: 0 whole, 1 truncated and then written, 2 half-written and
// held open.
void Rewrite(const std::string& path, std::string_view content, int style) {
  const int fd = ::open(path.c_str(), O_WRONLY | (style == 1 ? 0 : O_TRUNC));
  if (fd < 0) throw testbed::TestbedError("cannot open the switch file");
  if (style == 1) {
    if (::ftruncate(fd, 0) != 0) throw testbed::TestbedError("cannot truncate the switch file");
    std::this_thread::sleep_for(2ms);
    WriteAll(fd, content);
  } else if (style == 2) {
    WriteAll(fd, content.substr(0, 1));
    std::this_thread::sleep_for(kHeldOpen);
    WriteAll(fd, content.substr(1));
    std::this_thread::sleep_for(kHeldOpen);
  } else {
    WriteAll(fd, content);
  }
  ::close(fd);
}

}  // namespace

ScenarioResult SwitchFileRewrites(int rewrites) {
  SoakBed bed(/*with_pcscd=*/true);
  bed.StartTool("4");
  const std::string path = bed.program.PathOf(kSwitchFileName).string();
  std::atomic<bool> writing = true;
  std::atomic<int> written = 0;
  std::string writer_error;
  std::jthread writer([&] {
    try {
      for (int i = 0; i < rewrites; ++i) {
        Rewrite(path, kContents[i % kContents.size()], i % 3);
        written = i + 1;
        std::this_thread::sleep_for(kBetweenRewrites);
      }
    } catch (const std::exception& error) {
      writer_error = error.what();
    }
    writing = false;
  });

  Tally tally;
  int as_number = 0;
  int as_identifier = 0;
  while (writing) {
    bench::ThrowIfInterrupted();
    const SoakCard& card = bed.pcsc_roster.Next();
    bed.card.Insert(card.id);
    if (const auto line =
            bed.typed.Expect({card.value, card.id}, SoakBed::kPresentationTimeout, tally)) {
      ++(*line == card.value ? as_number : as_identifier);
    }
    bed.probe->WaitUntilLetGo();
    bed.card.Remove();
    bed.probe->WaitFor(false);
  }
  writer.join();
  bed.typed.ExpectNothingMore(1500ms, tally);
  const bool alive = bed.ToolAlive();
  const std::string figures =
      std::to_string(written.load()) + " rewrites (whole, truncated then written, held open " +
      "half-written) while " + std::to_string(tally.expected) +
      " cards flowed: " + std::to_string(as_number) + " typed as numbers, " +
      std::to_string(as_identifier) + " as identifiers; " + tally.Describe() +
      (alive ? "" : "; the tool ended") + (writer_error.empty() ? "" : "; writer: " + writer_error);
  return {"switch file rewrites", figures,
          tally.Clean() && alive && writer_error.empty() && written == rewrites};
}

}  // namespace cardwedge::soak
