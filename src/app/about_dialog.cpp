#include "app/about_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/app_icon.h"

namespace korvane::app {

AboutDialog::AboutDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(tr(kAboutTitle));
  setModal(true);

  auto* icon = new QLabel(this);
  icon->setPixmap(AppIconPixmap(48));
  icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  auto* text = new QLabel(tr(kAboutText).arg(QString::fromLatin1(KORVANE_SHORT_VERSION)), this);
  text->setObjectName("aboutText");
  text->setTextFormat(Qt::PlainText);
  text->setAlignment(Qt::AlignCenter);
  // The licence is a paragraph: wrapped to a readable width.
  text->setWordWrap(true);
  text->setMinimumWidth(text->fontMetrics().averageCharWidth() * 64);

  auto* frame = new QGroupBox(this);
  auto* frameLayout = new QHBoxLayout(frame);
  frameLayout->addWidget(icon);
  frameLayout->addWidget(text, 1);

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("1");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace korvane::app
