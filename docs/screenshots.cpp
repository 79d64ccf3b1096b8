// Draws the pictures in docs/: the window connected to the demo board (also with a frequency plan), its sweep panel and
// register view, and the progress window in the middle of a firmware update of a virtual board. scripts/screenshots
// runs it on an X display of its own (Xvfb), so the widgets are drawn as on a desktop.
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/app_icon.h"
#include "app/main_window.h"
#include "app/message_loop.h"
#include "app/plan_dialog.h"
#include "app/register_dialog.h"
#include "app/sweep_dialog.h"
#include "app/translation.h"
#include "app/update_info_dlg.h"
#include "link/board_link.h"
#include "link/port_list.h"
#include "support/virtual_board.h"

namespace {

using namespace korvane;

// In another language than English the pictures are named with it: korvane-demo-de.png.
std::string languageSuffix;

// A palette of 256 colours keeps the files small; a window has far fewer.
bool Save(const QImage& picture, std::string path) {
  path.insert(path.size() - 4, languageSuffix);
  QImage small = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  if (!small.save(QString::fromStdString(path), "PNG", 0)) {
    std::fprintf(stderr, "screenshots: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s %dx%d\n", path.c_str(), picture.width(), picture.height());
  return true;
}

// The main window with the progress window drawn where it stands over it.
QImage Composite(QWidget& window, QWidget& progress) {
  QImage picture = window.grab().toImage();
  QPainter painter(&picture);
  QPoint at = window.mapFromGlobal(progress.mapToGlobal(QPoint(0, 0)));
  painter.drawPixmap(at, progress.grab());
  painter.setPen(QColor(0x40, 0x40, 0x40));
  painter.drawRect(QRect(at, progress.size()).adjusted(-1, -1, 0, 0));
  return picture;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setApplicationName(QStringLiteral("Korvane"));
  QApplication::setWindowIcon(app::AppIcon());
  const app::Translation translation;
  if (translation.installed()) languageSuffix = "-" + QLocale::system().name().left(2).toStdString();
  if (argc != 2) {
    std::fprintf(stderr, "usage: korvane_screenshots FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];

  // Only the demo board and the virtual one, whatever ports this machine has.
  app::WindowEnvironment environment;
  environment.ports = [] { return std::vector<link::PortInfo>{}; };
  app::CMessageLoop loop;
  app::MainWindow window(loop, environment);
  std::vector<std::string> messages;
  window.hooks().message = [&](const panel::Message& message) {
    messages.push_back(message.caption + ": " + message.text);
  };
  const std::filesystem::path image = std::filesystem::temp_directory_path() / "korvane-screenshot.img";
  window.hooks().file = [&](const panel::FileDialogRequest&) { return std::optional<std::string>(image.string()); };
  window.hooks().quit = [](int) {};
  auto idle = [&] {
    for (int waited = 0; waited < 30000 && !window.Idle(); waited += 5) QTest::qWait(5);
  };
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;

  auto connect = [&](const std::string& port) {
    auto* ports = window.controls().portList;
    ports->lineEdit()->selectAll();
    QTest::keyClicks(ports->lineEdit(), QString::fromStdString(port));
    QTest::mouseClick(window.controls().connect, Qt::LeftButton);
    idle();
    // The board is retuned half a second after the readout; let that happen, as on a desk.
    QTest::qWait(800);
    return messages.empty() && window.controls().disconnect->isEnabled();
  };
  auto failed = [&](const char* what) {
    std::fprintf(stderr, "screenshots: %s\n", what);
    for (const std::string& m : messages) std::fprintf(stderr, "  %s\n", m.c_str());
    return 1;
  };

  if (!connect("Demo")) return failed("connecting to the demo board failed");
  if (!Save(window.grab().toImage(), folder + "/korvane-demo.png")) return 1;

  // A transverter's LO: the signal generator with a plan (x2, IF 144 MHz), the RF typed in its field.
  window.OpenPlan(Slot::SigGen);
  app::PlanDialog* plan = window.planDialog();
  if (plan == nullptr || !QTest::qWaitForWindowExposed(plan)) return failed("the plan dialog did not open");
  plan->multiplierField()->setText(QStringLiteral("2"));
  plan->offsetField()->setText(QStringLiteral("144"));
  QTest::keyClick(plan, Qt::Key_Return);
  QTest::qWait(50);
  auto* sg = window.controls().Of(Slot::SigGen).frequency;
  const QString before = sg->text();
  sg->selectAll();
  QTest::keyClicks(sg, QStringLiteral("10368.1"));
  QTest::qWait(800);
  idle();
  if (!Save(window.grab().toImage(), folder + "/korvane-plan.png")) return 1;
  window.OpenPlan(Slot::SigGen);
  if (window.planDialog() == nullptr) return failed("the plan dialog did not open again");
  QTest::mouseClick(window.planDialog()->removeButton(), Qt::LeftButton);
  QTest::qWait(50);
  // The pictures that follow show the demo board as it came.
  sg->selectAll();
  QTest::keyClicks(sg, before);
  QTest::qWait(800);
  idle();

  // The sweep panel after a short sweep of the demo board, and the register view of F3.
  QTest::mouseClick(window.controls().sweep, Qt::LeftButton);
  app::SweepDialog* sweep = window.sweepDialog();
  if (sweep == nullptr || !QTest::qWaitForWindowExposed(sweep)) return failed("the sweep panel did not open");
  sweep->dwellField()->setText(QStringLiteral("20"));
  QTest::mouseClick(sweep->startButton(), Qt::LeftButton);
  idle();
  if (!messages.empty() || sweep->table()->model()->rowCount() != 11) return failed("the sweep did not run");
  if (!Save(sweep->grab().toImage(), folder + "/korvane-sweep.png")) return 1;
  sweep->close();
  QTest::mouseClick(window.controls().registers, Qt::LeftButton);
  app::RegisterDialog* registers = window.registerDialog();
  if (registers == nullptr || !QTest::qWaitForWindowExposed(registers)) return failed("the register view did not open");
  registers->slotList()->setCurrentIndex(2);
  QTest::qWait(50);
  if (!Save(registers->grab().toImage(), folder + "/korvane-registers.png")) return 1;
  registers->close();
  QTest::mouseClick(window.controls().disconnect, Qt::LeftButton);
  idle();

  // The demo board has no bootloader to write to; a virtual board on a pseudo-terminal has.
  {
    std::ofstream out(image, std::ios::binary);
    for (int i = 0; i < 24576; ++i) out.put(static_cast<char>(i * 7));
  }
  test::VirtualBoard board({.hwTag = "v4s."});
  if (!connect(board.path())) return failed("connecting to the virtual board failed");
  bool taken = false;
  bool saved = false;
  QObject::connect(&window.model(), &panel::PanelModel::progressChanged, &window, [&] {
    app::CUpdateInfoDlg* progress = window.progress();
    if (taken || progress == nullptr || progress->bar()->maximum() < 1000) return;
    if (progress->bar()->value() < progress->bar()->maximum() * 2 / 5) return;
    taken = true;
    // The picture once the window has drawn the figures it shows now.
    QTimer::singleShot(50, &window,
                       [&, progress] { saved = Save(Composite(window, *progress), folder + "/korvane-update.png"); });
  });
  QTest::mouseClick(window.controls().repairUpdate, Qt::LeftButton);
  idle();
  std::filesystem::remove(image);
  if (!taken) return failed("the update ended before the picture of its progress was taken");
  return saved ? 0 : 1;
}
