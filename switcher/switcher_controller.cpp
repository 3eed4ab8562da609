#include "switcher/switcher_controller.h"

#include "rom/rom_engine.h"
#include "switcher/switcher_texts.h"
#include "text/text.h"

namespace qorvane {

void SwitcherController::Start() { target_script_ = kNoScript; }

void SwitcherController::ChooseScript(TargetScript script) {
  target_script_ = script;
}

void SwitcherController::BrowseForRom() {
  const std::filesystem::path name =
      view_.AskOpenFile(texts::kOpenDialogTitle, texts::kOpenDialogFilter);
  if (name.empty()) return;

  const RomEdition edition = InspectRom(name, signature_bytes_);
  switch (edition) {
    case RomEdition::Simplified:
      view_.SetStatus(texts::kStatusSimplified);
      break;
    case RomEdition::Traditional:
      view_.SetStatus(texts::kStatusTraditional);
      break;
    case RomEdition::NotEnhanced:
    case RomEdition::Unrecognised:
      view_.ShowMessage(texts::WrongFileWarning(edition), texts::kWarningTitle,
                        MessageKind::Warning);
      return;
  }
  selected_rom_path_ = name;
  view_.SetPathText(PathToUtf8(name));
}

void SwitcherController::ConvertSelectedRom() {
  if (selected_rom_path_.empty()) {
    view_.ShowMessage(texts::kNoRomWarning, texts::kWarningTitle,
                      MessageKind::Warning);
    return;
  }
  if (target_script_ == kNoScript) {
    view_.ShowMessage(texts::kNoScriptWarning, texts::kWarningTitle,
                      MessageKind::Warning);
    return;
  }
  ConvertRom(selected_rom_path_, target_script_);
  view_.SetStatus(target_script_ == kSimplifiedScript
                      ? texts::kStatusSimplified
                      : texts::kStatusTraditional);
  view_.ShowMessage(texts::kConvertedNotice, texts::kNoticeTitle,
                    MessageKind::Information);
  view_.QuitTool();
}

void SwitcherController::ShowAbout() {
  view_.ShowMessage(texts::kAboutText, texts::kAboutTitle,
                    MessageKind::Information);
}

void SwitcherController::ExitTool() { view_.QuitTool(); }

}  // namespace qorvane
