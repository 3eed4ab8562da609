// Everything the tool does in answer to the user: the selected ROM, the
// chosen script, and the six actions behind the window's controls. It talks
// to the window only through `SwitcherView`.
//
// Error contract: the controller catches no file error. A `RomError` raised
// by the engine while inspecting or converting leaves the action unchanged
// and reaches the caller (the window), which reports it (FatalErrorText in
// error_report.h) and ends the program. Since conversion has synced and closed
// the ROM before it returns, the status text and the success message are shown
// only once the data is safely in the file; a refused or failed conversion
// shows no success.

#ifndef QORVANE_SWITCHER_SWITCHER_CONTROLLER_H_
#define QORVANE_SWITCHER_SWITCHER_CONTROLLER_H_

#include <filesystem>

#include "rom/edition_table.h"
#include "switcher/switcher_view.h"

namespace qorvane {

class SwitcherController {
 public:
  explicit SwitcherController(SwitcherView& view) : view_(view) {}

  // The window has loaded: no script is chosen.
  void Start();
  // Option1 gives 1 (simplified), Option2 gives 2 (traditional).
  void ChooseScript(TargetScript script);
  // Asks for a ROM file and accepts it when it is an enhanced edition.
  void BrowseForRom();
  // Converts the accepted ROM to the chosen script, confirms, and quits.
  void ConvertSelectedRom();
  void ShowAbout();
  void ExitTool();

  TargetScript target_script() const { return target_script_; }
  // Empty until a ROM is accepted; never cleared afterwards.
  const std::filesystem::path& selected_rom_path() const {
    return selected_rom_path_;
  }
  // The bytes the last inspection read.
  const SignatureBytes& signature_bytes() const { return signature_bytes_; }

 private:
  SwitcherView& view_;
  TargetScript target_script_ = kNoScript;
  std::filesystem::path selected_rom_path_;
  SignatureBytes signature_bytes_{};
};

}  // namespace qorvane

#endif  // QORVANE_SWITCHER_SWITCHER_CONTROLLER_H_
