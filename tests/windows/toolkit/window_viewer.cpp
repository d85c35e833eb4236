// Opens both reader windows as a card has just been read in each, for a while, for screenshots:
//   window_viewer.exe [SECONDS]
#include <cstdlib>

#include "felica/felica_form1.h"
#include "pcsc/pcsc_frm.h"
#include "platform/windows/win32_toolkit.h"

int main(int argc, char** argv) {
  using cardwedge::Toolkit;
  cardwedge::Win32Toolkit toolkit;
  const auto felica = toolkit.OpenWindow(cardwedge::FelicaForm1::Declaration());
  felica->Get("PasoriLabel2").SetText("0123456789ABCDEF");
  felica->Get("PasoriLabel5").SetText("20240123 山田 太郎");
  const auto pcsc = toolkit.OpenWindow(cardwedge::PCSCfrm::Declaration());
  pcsc->Get("PCSCLabel2").SetText("04A1B2C3D4E5F6");
  pcsc->Get("PCSCLabel5").SetText("20240456 佐藤 花子");
  pcsc->Get("rbOutput").AppendText("04A1B2C3D4E5F6\n");
  felica->Show();
  pcsc->Show();
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  const auto end = toolkit.CreateTimer("End", seconds * 1000, true, [&toolkit] { toolkit.End(0); });
  return toolkit.Run();
}
