#include "check/site_check.h"

#include <utility>

#include "diagnostics/diagnostics_log.h"
#include "platform/keyboard.h"
#include "roster/field_reader.h"
#include "roster/host_watch.h"
#include "roster/read_rules.h"
#include "roster/roster_faults.h"

namespace cardwedge {
namespace {

constexpr std::size_t kMaxSwitchFileBytes = std::size_t{64} * 1024;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// What the windows do with a switch-file order.
Finding SwitchFinding(SwitchOrder order, const std::string& value) {
  const Bilingual topic{"switch file", "切り替えファイル"};
  switch (order) {
    case SwitchOrder::kLookup:
      return {FindingLevel::kOk,
              topic,
              {"says " + Quoted(value) + ": cards type their roster number",
               Quoted(value) + ": カードの名簿の番号を入力します"}};
    case SwitchOrder::kRawId:
      return {FindingLevel::kWarning,
              topic,
              {"says " + Quoted(value) + ": cards type their own identifier, not a roster number",
               Quoted(value) + ": 名簿の番号ではなくカードの識別子を入力します"},
              {"the host sets this; 0 or an empty file types roster numbers",
               "名簿アプリが書く値です。番号を入力するには 0 または空にします"}};
    case SwitchOrder::kPause:
      return {FindingLevel::kWarning,
              topic,
              {"says " + Quoted(value) + ": the windows read no card (paused)",
               Quoted(value) + ": 一時停止中で、カードを読みません"},
              {"the host sets this; 0 or an empty file reads cards again",
               "名簿アプリが書く値です。0 または空にすると読み取りに戻ります"}};
    case SwitchOrder::kEnd:
      return {FindingLevel::kError,
              topic,
              {"says " + Quoted(value) + ": the windows end within a second of starting",
               Quoted(value) + ": 窓は起動して 1 秒以内に終了します"},
              {"the host writes 9 to end cardwedge; write 0 or empty the file before starting it",
               "名簿アプリが終了の指示に書く値です。起動前に 0 にするか空にしてください"}};
    case SwitchOrder::kKeepMode:
      break;
  }
  return {FindingLevel::kWarning,
          topic,
          {"says " + Quoted(value) + ", which orders nothing: the windows read in lookup mode",
           Quoted(value) + " は指示になりません。窓は名簿の番号を入力します"},
          {"the host writes 0, 1, 8 or 9", "名簿アプリが書く値は 0、1、8、9 です"}};
}

}  // namespace

SiteCheck::SiteCheck(Platform& platform, SiteProbes& probes, Report report)
    : platform_(platform), probes_(probes), report_(std::move(report)) {}

SiteCheck::~SiteCheck() {
  if (contextHeld_) platform_.smartCard.ReleaseContext(context_);
}

void SiteCheck::CheckSetUp() {
  CheckFolderFile();
  CheckRoster();
  CheckSounds();
  CheckReaders();
  CheckHost();
  CheckKeyboard();
  CheckSwitchFile();
  CheckLog();
  CheckInstance();
}

void SiteCheck::CheckFolderFile() {
  Files& files = platform_.files;
  const Bilingual topic{"folder file", "フォルダファイル"};
  const std::string programFolder = files.ProgramFolder();
  const std::string path = files.JoinPath(programFolder, kRosterFolderFileName);
  std::string folder;
  try {
    folder = ReadRosterFolder(files, platform_.textCodec);
  } catch (const RosterError& error) {
    report_({FindingLevel::kError,
             topic,
             {error.what(), std::string("読めません: ") + error.what()},
             {"let this user read the file, or delete it (an empty one means the program's folder)",
              "このユーザーが読めるようにするか、削除してください (空ならプログラムのフォルダ)"}});
    return;
  }
  folder.pop_back();
  if (folder == programFolder) {
    report_(
        {FindingLevel::kOk,
         topic,
         {Quoted(path) + " names no folder: the roster is looked for in the program's folder",
          Quoted(path) +
              " はフォルダを指定していません。名簿はプログラムのフォルダにあるものを使います"}});
  } else if (probes_.FolderExists(folder)) {
    report_({FindingLevel::kOk,
             topic,
             {Quoted(path) + " names the folder " + Quoted(folder) + ", which exists",
              Quoted(path) + " が指すフォルダ " + Quoted(folder) + " はあります"}});
  } else {
    report_({FindingLevel::kError,
             topic,
             {Quoted(path) + " names the folder " + Quoted(folder) + ", which does not exist",
              Quoted(path) + " が指すフォルダ " + Quoted(folder) + " がありません"},
             {"write the roster's folder as the file's last line, or empty the file for the "
              "program's folder",
              "名簿のあるフォルダをファイルの最後の行に書くか、空にしてプログラムのフォルダを使いま"
              "す"}});
  }
}

void SiteCheck::CheckRoster() {
  const Bilingual topic{"roster", "名簿"};
  try {
    roster_ = LoadRoster(platform_.files, platform_.textCodec);
  } catch (const RosterError& error) {
    report_({FindingLevel::kError,
             topic,
             {error.what(), std::string("読み込めません: ") + error.what()},
             {std::string("put ") + kRosterFileName +
                  " (50 fields a record, UTF-8 or CP932) in the folder the folder file names; the "
                  "windows do not start without it",
              std::string(kRosterFileName) + " (1 件 50 項目、UTF-8 または CP932) "
                                             "をフォルダファイルが指すフォルダに置いてください。"
                                             "無いと窓は起動しません"}});
    return;
  }
  const Roster& roster = *roster_;
  const std::string file = Quoted(roster.RosterFolder + kRosterFileName);
  const std::string count = std::to_string(roster.RosterCount);
  report_({roster.RosterCount == 0 ? FindingLevel::kWarning : FindingLevel::kOk,
           topic,
           {file + ", " + count + " records, read as " +
                (roster.Utf8 ? "UTF-8" : "the system's ANSI code page (CP932)"),
            file + "、" + count + " 件、" +
                (roster.Utf8 ? "UTF-8" : "システムの文字コード (CP932)") + " として読みました"},
           roster.RosterCount == 0 ? Bilingual{"no card can match an empty roster: fill it",
                                               "空の名簿ではどのカードも見つかりません"}
                                   : Bilingual{}});
  for (const RosterFault& fault : FindRosterFaults(roster)) {
    report_(
        {fault.level == RosterFaultLevel::kError ? FindingLevel::kError : FindingLevel::kWarning,
         topic,
         {RosterFaultText(fault, roster, ReportLanguage::kEnglish),
          RosterFaultText(fault, roster, ReportLanguage::kJapanese)}});
  }
}

void SiteCheck::CheckSounds() {
  Files& files = platform_.files;
  for (const char* name : {kConfirmationSoundName, kWarningSoundName}) {
    const std::string path = files.JoinPath(files.ProgramFolder(), name);
    const Bilingual topic{std::string("sound ") + name, std::string("音 ") + name};
    if (files.FileExists(path)) {
      report_({FindingLevel::kOk, topic, {"present", "あります"}});
    } else {
      report_({FindingLevel::kWarning,
               topic,
               {Quoted(path) + " is missing: that sound is not played",
                Quoted(path) + " がありません。その音は鳴りません"},
               {"copy it from the package beside the program",
                "配布パッケージからプログラムと同じフォルダにコピーしてください"}});
    }
  }
}

void SiteCheck::CheckHost() {
  const Bilingual topic{std::string("host ") + kHostProcessName,
                        std::string("名簿アプリ ") + kHostProcessName};
  switch (platform_.processes.Presence(kHostProcessName)) {
    case ProcessPresence::kRunning:
      report_(
          {FindingLevel::kOk, topic, {"running in this session", "このセッションで動いています"}});
      return;
    case ProcessPresence::kNotRunning:
      report_({FindingLevel::kWarning,
               topic,
               {"not running in this session: started with a FLAG other than 1, the windows end "
                "within 10 seconds",
                "このセッションで動いていません。フラグが 1 以外なら、窓は 10 秒以内に終了します"},
               {"start the host first (it starts cardwedge), or start cardwedge with FLAG 1",
                "先に名簿アプリを起動するか、フラグ 1 で cardwedge を起動してください"}});
      return;
    case ProcessPresence::kUnknown:
      report_({FindingLevel::kWarning,
               topic,
               {"the process list cannot be read: the windows take the host as running",
                "プロセスの一覧を読めません。窓は名簿アプリが動いているものとして扱います"},
               {"nothing, unless the windows should end with the host",
                "名簿アプリの終了で窓を閉じる必要がなければ、そのままで構いません"}});
  }
}

// Only a missing keyboard output belongs to the set-up: the focused window's own state (an input
// method that is on, a window of a higher level) is asked again at each card.
void SiteCheck::CheckKeyboard() {
  const Bilingual topic{"keyboard output", "キー入力"};
  try {
    platform_.keyboard.CheckFocusedWindow();
  } catch (const TypingError& error) {
    if (error.cause() == TypingError::Cause::kKeyboard) {
      report_({FindingLevel::kWarning,
               topic,
               {std::string(error.what()) + ": from this session no key reaches the host",
                std::string(error.what()) + ": このセッションからは名簿アプリにキーを送れません"},
               {"run cardwedge (and this check) in the desktop session of the host's window",
                "名簿アプリの画面があるデスクトップのセッションで cardwedge (とこのチェック) "
                "を実行してください"}});
      return;
    }
  }
  report_({FindingLevel::kOk,
           topic,
           {"available; the focused window is checked again at each card",
            "使えます。入力先の窓はカードごとに確かめます"}});
}

void SiteCheck::CheckSwitchFile() {
  Files& files = platform_.files;
  const std::string path = files.JoinPath(files.ProgramFolder(), kSwitchFileName);
  if (!files.FileExists(path)) {
    report_({FindingLevel::kOk,
             {"switch file", "切り替えファイル"},
             {Quoted(path) + " is missing: the windows create it empty and type roster numbers",
              Quoted(path) + " はありません。窓が空で作り、名簿の番号を入力します"}});
    return;
  }
  std::string field;
  try {
    field = LastField(platform_.textCodec.AnsiToUtf8(files.ReadAll(path, kMaxSwitchFileBytes)));
  } catch (const FileError& error) {
    report_({FindingLevel::kWarning,
             {"switch file", "切り替えファイル"},
             {error.what(), std::string("読めません: ") + error.what()},
             {"the windows try again every second; let this user read it",
              "窓は毎秒読み直します。このユーザーが読めるようにしてください"}});
    return;
  }
  // The FeliCa window reads the field as a whole number, the PC/SC window its leading number.
  const SwitchOrder felica = InterpretSwitchField(field, SwitchReading::kWholeNumber);
  const SwitchOrder pcsc = InterpretSwitchField(field, SwitchReading::kLeadingNumber);
  if (felica == pcsc) {
    report_(SwitchFinding(felica, field));
    return;
  }
  for (const auto& [order, window] : {std::pair{felica, Bilingual{"FeliCa window", "FeliCa の窓"}},
                                      std::pair{pcsc, Bilingual{"PC/SC window", "PC/SC の窓"}}}) {
    Finding finding = SwitchFinding(order, field);
    finding.topic.english += " (" + window.english + ")";
    finding.topic.japanese += " (" + window.japanese + ")";
    report_(finding);
  }
}

void SiteCheck::CheckLog() {
  Files& files = platform_.files;
  LogFiles& logFiles = probes_.logFiles();
  const Bilingual topic{"log", "ログ"};
  const std::string programFolderLog = files.JoinPath(files.ProgramFolder(), kLogFileName);
  const std::string path = ChooseOutputPath(logFiles, programFolderLog, kLogFileName);
  if (!logFiles.MayWrite(path)) {
    report_({FindingLevel::kWarning,
             topic,
             {Quoted(path) + " cannot be written, nor a log in the user's own folder",
              Quoted(path) + " にもユーザーのフォルダにもログを書けません"},
             {"let this user write the program's folder",
              "プログラムのフォルダに書き込めるようにしてください"}});
  } else if (path == programFolderLog) {
    report_(
        {FindingLevel::kOk, topic, {"written to " + Quoted(path), Quoted(path) + " に書きます"}});
  } else {
    report_({FindingLevel::kWarning,
             topic,
             {"the program's folder cannot be written: the log goes to " + Quoted(path),
              "プログラムのフォルダに書き込めないため、ログは " + Quoted(path) + " に書きます"},
             {"send that file when asking for help, or let this user write the program's folder",
              "問い合わせの際はそのファイルを送ってください"}});
  }
}

void SiteCheck::CheckInstance() {
  InstanceGuard& guard = platform_.instanceGuard;
  const bool another = guard.AnotherInstanceRunning();
  // The check holds no claim: the host may start the program while the check waits for cards.
  guard.Release();
  const Bilingual topic{"instance", "起動中の cardwedge"};
  if (another) {
    report_({FindingLevel::kWarning,
             topic,
             {"another cardwedge runs for this user: a new start ends at once, and it reads the "
              "same readers as this check",
              "このユーザーの cardwedge がもう動いています。新しい起動はすぐ終わり、"
              "このチェックと同じリーダーを読みます"},
             {"end it before checking, unless the host started it",
              "名簿アプリが起動したものでなければ、終了してからチェックしてください"}});
  } else {
    report_({FindingLevel::kOk, topic, {"no other cardwedge runs", "ほかに動いていません"}});
  }
}

}  // namespace cardwedge
