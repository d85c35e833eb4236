#include "pcsc/pcsc_frm.h"

namespace cardwedge {

PCSCfrm::PCSCfrm(Platform& platform, ProgramState& state)
    : platform_(platform), state_(state), window_(platform.toolkit.CreateWindow(Declaration())) {
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

void PCSCfrm::Form_Load() { LoadRoster(); }

void PCSCfrm::Form_Unload() { platform_.toolkit.End(0); }

void PCSCfrm::Show() { window_->Show(); }

void PCSCfrm::LoadRoster() {
  roster_ = cardwedge::LoadRoster(platform_.files, platform_.textCodec);
}

}  // namespace cardwedge
