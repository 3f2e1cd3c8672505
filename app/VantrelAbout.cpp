#include "app/VantrelAbout.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

// The icon lives in the library's resources, which a static library must
// register itself.
static void InitResources() { Q_INIT_RESOURCE(vantrel); }

namespace vantrel {

QIcon VantrelIcon() {
  InitResources();
  return QIcon(QStringLiteral(":/vantrel/vantrel.svg"));
}

void ShowAboutBox(QWidget* parent) {
  QDialog box(parent);
  box.setWindowTitle(QStringLiteral("バージョン情報"));
  auto* layout = new QVBoxLayout(&box);
  auto* row = new QHBoxLayout;
  auto* icon = new QLabel(&box);
  icon->setPixmap(VantrelIcon().pixmap(48, 48));
  row->addWidget(icon, 0, Qt::AlignTop);
  auto* texts = new QVBoxLayout;
  texts->addWidget(new QLabel(QStringLiteral("Vantrel2023.2B"), &box));
  texts->addWidget(new QLabel(QStringLiteral("Ver. 2023.05.07"), &box));
  row->addLayout(texts);
  layout->addLayout(row);
  auto* buttons = new QDialogButtonBox(&box);
  QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);
  layout->addWidget(buttons);
  box.exec();
}

}  // namespace vantrel
