// The sweep panel: the signal generator stepped through frequencies on the session.
#include <limits>

#include "config/file_io.h"
#include "panel/main_dlg.h"
#include "session/sweep.h"
#include "synth/number_text.h"

namespace korvane::panel {

namespace {

constexpr const char* kSweepCaption = QT_TRANSLATE_NOOP("Texts", "Sweep");

std::optional<int64_t> WholeNumber(const std::string& text) {
  const std::optional<uint64_t> value = ReadDigits(text, static_cast<uint64_t>(std::numeric_limits<int64_t>::max()));
  if (!value) return std::nullopt;
  return static_cast<int64_t>(*value);
}

FileDialogRequest CsvDialog(bool save) {
  return {Tr(QT_TRANSLATE_NOOP("Texts", "CSV files (*.csv)")), "*.csv", "csv", save};
}

}  // namespace

void CMainDlg::OnSweepStart(const SweepRequest& request) {
  if (!model_.connected() || model_.busy()) return;
  auto refuse = [this](const std::string& why) {
    if (!StartOperation(Operation::Working)) return;
    Show({Tr(kNothingSent, {why}), Tr(kSweepCaption), MessageIcon::Information, {}}, [this] { EndOperation(); });
  };
  session::ListProblem why;
  std::optional<std::vector<double>> points;
  if (request.fromList) {
    points = session::ReadFrequencyList(request.list, &why);
  } else {
    const std::optional<double> start = ReadTypedNumber(request.start);
    const std::optional<double> stop = ReadTypedNumber(request.stop);
    const std::optional<double> step = ReadTypedNumber(request.step);
    if (!start || !stop || !step) {
      refuse(Tr(QT_TRANSLATE_NOOP("Texts", "Start, stop and step must be numbers in MHz.")));
      return;
    }
    points = session::SweepRange(*start, *stop, *step, &why);
  }
  if (!points) {
    refuse(Tr(QT_TRANSLATE_NOOP("Texts", "The sweep has no points: %1."), {texts::ListProblemText(why)}));
    return;
  }
  const std::optional<int64_t> dwell = WholeNumber(request.dwellMs);
  const std::optional<int64_t> passes = WholeNumber(request.passes);
  if (!dwell || !passes) {
    refuse(Tr(QT_TRANSLATE_NOOP("Texts", "Dwell and passes must be whole numbers (0 passes runs until Stop).")));
    return;
  }
  PanelSettings settings = model_.Settings();
  settings.exact = request.exact;
  std::vector<Band> bands;
  for (double mhz : *points) {
    const std::optional<Band> band = session::OutputFor(settings.chip, model_.capabilities().secondOutput, mhz);
    if (!band) {
      refuse(Tr(QT_TRANSLATE_NOOP("Texts", "%1 MHz is outside the outputs of this board."), {FormatFixed(mhz, 6)}));
      return;
    }
    bands.push_back(*band);
  }
  if (!StartOperation(Operation::Working)) return;
  view_.StopTuneTimer();
  session::SweepOptions options;
  options.dwellMs = *dwell;
  options.passes = *passes;
  options.power = request.power;
  options.readLock = request.readLock;
  model_.StartSweep(points->size(), *passes);
  sweepStop_ = std::make_shared<std::atomic<bool>>(false);
  runner_.Post({Request::Kind::Other,
                [this, settings, points = std::move(*points), bands = std::move(bands), options, stop = sweepStop_](
                    session::BoardSession& session, const RequestProgress& progress) -> Completion {
                  const session::SweepEnd end = session::RunSweep(
                      session, session.clock(), settings, points, bands, options,
                      [this, &progress](const session::SweepSample& sample) {
                        progress.deliver([this, sample] { model_.AddSweepSample(sample); });
                      },
                      [stop] { return stop->load(); });
                  return [this, end, exact = settings.exact] { FinishSweep(end, exact); };
                }});
}

void CMainDlg::FinishSweep(const session::SweepEnd& end, bool exact) {
  sweepStop_.reset();
  // The window shows the last point the board took, with the field's own six decimals unless the
  // point needs its millihertz ("1024.000000", not "1024.000000000").
  SlotSettings last = end.last.slot(Slot::SigGen);
  const size_t point = last.frequency.find('.');
  while (point != std::string::npos && last.frequency.size() > point + 7 && last.frequency.back() == '0') {
    last.frequency.pop_back();
  }
  model_.SetSlot(Slot::SigGen, last);
  // Solved in the window's own mode the point may come out a few hertz apart: the board
  // follows the window half a second later.
  if (exact != model_.exact()) ArmTuneTimer();
  const std::string count = std::to_string(end.points);
  std::string status = end.stopped
                           ? (end.points == 1 ? Tr(QT_TRANSLATE_NOOP("Texts", "Stopped after %1 point."), {count})
                                              : Tr(QT_TRANSLATE_NOOP("Texts", "Stopped after %1 points."), {count}))
                       : end.points == 1 ? Tr(QT_TRANSLATE_NOOP("Texts", "Done after %1 point."), {count})
                                         : Tr(QT_TRANSLATE_NOOP("Texts", "Done after %1 points."), {count});
  if (end.refused) {
    const session::Exchange& refused = end.refused->slot.accepted() ? end.refused->reference : end.refused->slot;
    status = end.refused->refusal ? Tr(kNothingSent, {texts::SlotIssueText(*end.refused->refusal)})
                                  : Tr(kBoardRefused, {refused.command, refused.reply});
    model_.EndSweep(status);
    ShowError(status, [this] { EndOperation(); });
    return;
  }
  model_.EndSweep(status);
  EndOperation();
}

void CMainDlg::OnSweepStop() {
  if (sweepStop_) sweepStop_->store(true);
}

void CMainDlg::OnSweepLoadList() {
  if (!StartOperation(Operation::Working)) return;
  view_.ChooseFile(CsvDialog(false), [this](std::optional<std::string> path) {
    if (!path) {
      EndOperation();
      return;
    }
    std::string bytes;
    std::string error;
    if (config::ReadSmallFile(*path, &bytes, &error) != config::ReadStatus::Ok) {
      ShowError(Tr(kNothingLoaded,
                   {error.empty() ? Tr(QT_TRANSLATE_NOOP("Texts", "\"%1\" was not found."), {*path}) : error}),
                [this] { EndOperation(); });
      return;
    }
    session::ListProblem why;
    if (!session::ReadFrequencyList(bytes, &why)) {
      ShowError(Tr(QT_TRANSLATE_NOOP("Texts", "\"%1\" is no frequency list: %2.\nNothing was loaded."),
                   {*path, texts::ListProblemText(why)}),
                [this] { EndOperation(); });
      return;
    }
    model_.SetSweepList(bytes);
    EndOperation();
  });
}

void CMainDlg::OnSweepSaveCsv() {
  if (model_.sweep().samples.empty() || !StartOperation(Operation::Working)) return;
  view_.ChooseFile(CsvDialog(true), [this](std::optional<std::string> path) {
    const std::vector<session::SweepSample> rows(model_.sweep().samples.begin(), model_.sweep().samples.end());
    std::string error;
    if (path && !config::WriteFileAtomically(*path, session::SweepCsv(rows), &error)) {
      ShowError(Tr(QT_TRANSLATE_NOOP("Texts", "%1\nThe points were not saved."), {error}), [this] { EndOperation(); });
      return;
    }
    EndOperation();
  });
}

}  // namespace korvane::panel
