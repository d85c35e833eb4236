#include "pcsc/pcsc_frm.h"

namespace cardwedge {
namespace {

constexpr std::array<const char*, 6> kByteFields = {"tbCLA", "tbINS", "tbP1",
                                                    "tbP2",  "tbLc",  "tbLe"};

}  // namespace

// The window opens at 7365 x 2280 twips, which shows the caption, the two result labels and the
// top strip of the output pane; the reader list, the buttons and the console lie below and to
// the right, reachable by enlarging the window.
WindowDeclaration PCSCfrm::Declaration() {
  WindowDeclaration declaration;
  declaration.name = "PCSCfrm";
  declaration.title = "cardwedge - PC/SC reader";
  declaration.clientWidth = 7365;
  declaration.clientHeight = 2280;
  // To the right of the FeliCa window when both run.
  declaration.left = 8550;
  declaration.top = 600;
  const auto add = [&declaration](ControlDeclaration control) {
    declaration.controls.push_back(std::move(control));
  };

  add({.kind = ControlKind::kPictureBox, .name = "Picture2", .bounds = {270, 180, 6765, 1905}});
  add({.kind = ControlKind::kLabel,
       .name = "PasoriLabel1",
       .text = "PC/SCカードを読み取り、学籍番号をホストへ送ります",
       .bounds = {120, 120, 6525, 480},
       .parent = "Picture2",
       .fontPoints = 10});
  add({.kind = ControlKind::kLabel,
       .name = "PCSCLabel2",
       .text = "---",
       .bounds = {120, 660, 6525, 420},
       .parent = "Picture2",
       .fontPoints = 10});
  add({.kind = ControlKind::kLabel,
       .name = "PCSCLabel5",
       .text = "---",
       .bounds = {120, 1140, 6525, 420},
       .parent = "Picture2",
       .fontPoints = 10});
  add({.kind = ControlKind::kRichText, .name = "rbOutput", .bounds = {270, 1890, 6765, 1215}});
  add({.kind = ControlKind::kTextBox,
       .name = "Text1",
       .text = "Text1",
       .bounds = {270, 3195, 1215, 375}});
  add({.kind = ControlKind::kComboBox, .name = "cbReader", .bounds = {1710, 3810, 5325, 315}});
  add({.kind = ControlKind::kLabel,
       .name = "Label1",
       .text = "Select Reader",
       .bounds = {270, 3930, 1335, 255}});
  add({.kind = ControlKind::kButton,
       .name = "Command1",
       .text = "Command1",
       .bounds = {9225, 240, 1215, 375}});

  add({.kind = ControlKind::kPictureBox, .name = "Picture1", .bounds = {270, 4185, 6765, 3690}});
  add({.kind = ControlKind::kButton,
       .name = "btnInit",
       .text = "Initialize",
       .bounds = {120, 180, 1455, 375},
       .parent = "Picture1"});
  add({.kind = ControlKind::kButton,
       .name = "btnConnect",
       .text = "Connect",
       .bounds = {120, 660, 1455, 375},
       .parent = "Picture1",
       .enabled = false});

  add({.kind = ControlKind::kFrame,
       .name = "Frame1",
       .text = "Get Data Function",
       .bounds = {1695, 60, 4950, 975},
       .parent = "Picture1",
       .enabled = false});
  add({.kind = ControlKind::kButton,
       .name = "btnGetData",
       .text = "Get Data",
       .bounds = {120, 360, 1455, 375},
       .parent = "Frame1"});
  add({.kind = ControlKind::kCheckBox,
       .name = "check1",
       .text = "ISO 14443 A Card",
       .bounds = {1800, 420, 2775, 255},
       .parent = "Frame1"});

  add({.kind = ControlKind::kFrame,
       .name = "Frame2",
       .text = "Send Card Command",
       .bounds = {120, 1140, 6525, 1935},
       .parent = "Picture1",
       .enabled = false});
  add({.kind = ControlKind::kLabel,
       .name = "Label2",
       .text = "CLA    INS       P1      P2      Lc       Le",
       .bounds = {120, 300, 3855, 255},
       .parent = "Frame2"});
  // Tab order inside the console: the button, the data, then the byte fields from Le back to CLA.
  for (std::size_t i = 0; i < kByteFields.size(); ++i) {
    const int left = 120 + static_cast<int>(i) * 630;
    add({.kind = ControlKind::kTextBox,
         .name = kByteFields[i],
         .bounds = {left, 600, 495, 315},
         .parent = "Frame2",
         .maxLength = 2,
         .tabIndex = 7 - static_cast<int>(i)});
  }
  add({.kind = ControlKind::kLabel,
       .name = "Label3",
       .text = "Data In",
       .bounds = {120, 1035, 1215, 255},
       .parent = "Frame2"});
  add({.kind = ControlKind::kTextBox,
       .name = "tbData",
       .bounds = {120, 1320, 3855, 495},
       .parent = "Frame2",
       .multiLine = true,
       .tabIndex = 1});
  add({.kind = ControlKind::kButton,
       .name = "btnSendCommand",
       .text = "Send Card Command",
       .bounds = {4215, 600, 2175, 375},
       .parent = "Frame2",
       .tabIndex = 0});

  add({.kind = ControlKind::kButton,
       .name = "btnClear",
       .text = "Clear Output",
       .bounds = {120, 3195, 1455, 375},
       .parent = "Picture1"});
  add({.kind = ControlKind::kButton,
       .name = "btnReset",
       .text = "Reset",
       .bounds = {3495, 3195, 1455, 375},
       .parent = "Picture1"});
  add({.kind = ControlKind::kButton,
       .name = "btnQuit",
       .text = "Quit",
       .bounds = {5070, 3195, 1455, 375},
       .parent = "Picture1"});
  return declaration;
}

}  // namespace cardwedge
