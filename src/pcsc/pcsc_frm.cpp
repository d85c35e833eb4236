#include "pcsc/pcsc_frm.h"

namespace cardwedge {

PCSCfrm::PCSCfrm(Platform& platform, ProgramState& state)
    : platform_(platform),
      state_(state),
      window_(platform.toolkit.CreateWindow(Declaration())),
      hostWatch_(platform, state, SwitchReading::kLeadingNumber) {
  window_->OnClose([this] { Form_Unload(); });
}

WindowSpec PCSCfrm::Declaration() {
  WindowSpec spec;
  spec.name = "PCSCfrm";
  spec.title = "cardwedge - PC/SC reader";
  spec.clientWidth = 7365;
  spec.clientHeight = 2280;
  spec.controls.push_back(
      {.kind = ControlKind::kPictureBox, .name = "Picture2", .bounds = {270, 180, 6765, 1905}});
  spec.controls.push_back(
      {.kind = ControlKind::kLabel,
       .name = "PasoriLabel1",
       .text = "PC/SCカードを検出し、学籍番号をホストアプリケーションへ送ります",
       .bounds = {120, 120, 6525, 480},
       .parent = "Picture2",
       .fontPoints = 10});
  return spec;
}

void PCSCfrm::Form_Load() {
  LoadRoster();
  Timer3 = platform_.toolkit.CreateTimer("Timer3", 10000, true, [this] { Timer3_Timer(); });
  Timer5 = platform_.toolkit.CreateTimer("Timer5", 1000, true, [this] { Timer5_Timer(); });
}

void PCSCfrm::Timer3_Timer() { hostWatch_.HostCheckTick(); }

void PCSCfrm::Timer5_Timer() { hostWatch_.SwitchFileTick(ScreenMode); }

void PCSCfrm::Form_Unload() { platform_.toolkit.End(0); }

void PCSCfrm::Show() { window_->Show(); }

void PCSCfrm::LoadRoster() {
  roster_ = cardwedge::LoadRoster(platform_.files, platform_.textCodec);
}

}  // namespace cardwedge
