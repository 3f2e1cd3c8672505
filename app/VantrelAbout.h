// The about box and the program's icon.
#pragma once

#include <QIcon>

class QWidget;

namespace vantrel {

QIcon VantrelIcon();

// Modal; "バージョン情報" with the product name and version.
void ShowAboutBox(QWidget* parent);

}  // namespace vantrel
