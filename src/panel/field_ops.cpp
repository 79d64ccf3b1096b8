// Expert settings from the register view: a slot's fields set to other values than Korvane's.
#include "panel/main_dlg.h"
#include "synth/field_overrides.h"

namespace korvane::panel {

uint32_t CMainDlg::KorvaneFieldValue(Slot slot, const RegisterField& field) const {
  // What the slot sends in the field when the user leaves it alone: the board's value or Korvane's.
  PanelSettings plain = model_.Settings();
  plain.slot(slot).overrides.erase(field.field);
  return ReadField(field, session::SlotWords(plain, slot).words);
}

void CMainDlg::OnFieldEdited(Slot slot, Field field, uint32_t value) {
  if (model_.busy()) return;
  const RegisterField* f = Facts(model_.chip()).Find(field);
  if (f == nullptr) return;
  PanelSettings settings = model_.Settings();
  FieldOverrides& overrides = settings.slot(slot).overrides;
  if (value == KorvaneFieldValue(slot, *f)) {
    overrides.erase(field);
  } else {
    overrides[field] = value;
  }
  // A combination the chip does not work with never reaches the model, nor the board.
  std::optional<std::string> why;
  if (std::optional<FieldIssue> issue = CheckOverride(model_.chip(), field, value)) {
    why = texts::FieldIssueText(*issue);
  } else if (std::optional<session::SlotIssue> refusal = session::SlotRefusal(settings, slot)) {
    why = texts::SlotIssueText(*refusal);
  }
  if (why) {
    // The view shows the model again: the value it offered goes back.
    model_.SetSlotOverrides(slot, model_.slot(slot).overrides);
    if (StartOperation(Operation::Working)) {
      Show({Tr(QT_TRANSLATE_NOOP("Texts", "%1\nThe field keeps its value."), {*why}),
            Tr(QT_TRANSLATE_NOOP("Texts", "Registers")),
            MessageIcon::Information,
            {}},
           [this] { EndOperation(); });
    }
    return;
  }
  model_.SetSlotOverrides(slot, overrides);
  if (slot == Slot::SigGen) ArmTuneTimer();
}

void CMainDlg::OnResetFields(std::optional<Slot> slot) {
  if (model_.busy()) return;
  for (Slot s : kAllSlots) {
    if (slot && *slot != s) continue;
    // A reset drops the board's values too: the slot gets Korvane's words.
    if (model_.slot(s).overrides.empty() && !model_.slot(s).board) continue;
    model_.ResetSlotFields(s);
    if (s == Slot::SigGen) ArmTuneTimer();
  }
}

}  // namespace korvane::panel
