#include "app/ThumbnailGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "model/FileNames.h"

namespace vantrel {

int GridColumns(int gridWidth, int cellWidth) { return std::max(1, gridWidth / std::max(1, cellWidth)); }

int GridRows(int entries, int columns) {
  columns = std::max(1, columns);
  return entries / columns + (entries % columns ? 1 : 0);
}

void DrawThumbnailCell(QPainter& painter, const QRect& R, const TDxfbmp* entry, bool selected, QSize cell,
                       const QFont& font) {
  painter.save();
  painter.setClipRect(R);
  if (!entry || entry->bmp.isNull()) {
    painter.fillRect(R, Qt::white);
    painter.restore();
    return;
  }
  const QImage& bmp = entry->bmp;
  painter.fillRect(R, QColor(bmp.pixel(0, 0)));
  const bool dxf = UpperExtension(entry->name) == ".DXF";
  const QColor title = selected ? (dxf ? QColor(0, 0, 255) : QColor(255, 69, 0))
                                : (dxf ? QColor(128, 128, 128) : QColor(123, 104, 238));
  // (left + 1, top + 1) to (right - 1, top + 20), right and bottom exclusive.
  painter.fillRect(QRect(R.left() + 1, R.top() + 1, R.width() - 2, 19), title);
  QFont titleFont = font;
  titleFont.setBold(selected);
  painter.setFont(titleFont);
  painter.setPen(Qt::white);
  const QFontMetrics metrics(titleFont);
  painter.drawText(QPoint(R.left() + 3, R.top() + 3 + metrics.ascent()),
                   QString::fromStdU16String(PathText(entry->name.filename())));
  painter.drawImage(QPoint(R.left() + (cell.width() - bmp.width()) / 2,
                           R.top() + (cell.height() - bmp.height() - 16) / 2 + 16),
                    bmp);
  painter.setPen(QPen(QColor(128, 128, 128), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(R.left(), R.top(), R.width() - 1, R.height() - 1));
  painter.restore();
}

DrawGrid::DrawGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), [this] { viewport()->update(); });
}

void DrawGrid::SetCellSize(QSize cell) {
  cell_ = QSize(std::max(1, cell.width()), std::max(1, cell.height()));
  UpdateScrollRange();
  viewport()->update();
}

void DrawGrid::SetShape(int columns, int rows) {
  cols_ = std::max(1, columns);
  rows_ = std::max(0, rows);
  UpdateScrollRange();
  viewport()->update();
}

void DrawGrid::SetCurrent(int col, int row, bool notify) {
  if (col == col_ && row == row_) return;
  UpdateCell(col_, row_);
  col_ = col;
  row_ = row;
  UpdateCell(col_, row_);
  ScrollToCurrent();
  if (notify && onSelect) onSelect();
}

int DrawGrid::LayoutWidth() const { return viewport()->width(); }

QRect DrawGrid::CellRect(int col, int row) const {
  const int top = verticalScrollBar()->value();
  return QRect(col * cell_.width(), (row - top) * cell_.height(), cell_.width(), cell_.height());
}

void DrawGrid::UpdateCell(int col, int row) { viewport()->update(CellRect(col, row)); }

int DrawGrid::VisibleRows() const { return std::max(1, viewport()->height() / cell_.height()); }

void DrawGrid::UpdateScrollRange() {
  verticalScrollBar()->setRange(0, std::max(0, rows_ - VisibleRows()));
  verticalScrollBar()->setPageStep(VisibleRows());
  verticalScrollBar()->setSingleStep(1);
}

void DrawGrid::ScrollToCurrent() {
  QScrollBar* bar = verticalScrollBar();
  if (row_ < bar->value())
    bar->setValue(row_);
  else if (row_ >= bar->value() + VisibleRows())
    bar->setValue(row_ - VisibleRows() + 1);
}

void DrawGrid::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().window());
  const int top = verticalScrollBar()->value();
  const int last = std::min(rows_, top + viewport()->height() / cell_.height() + 1);
  for (int r = top; r < last; ++r)
    for (int c = 0; c < cols_; ++c)
      if (onDrawCell) onDrawCell(painter, c, r, CellRect(c, r), c == col_ && r == row_);
}

void DrawGrid::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
  const QPoint p = event->position().toPoint();
  const int c = p.x() / cell_.width();
  const int r = p.y() / cell_.height() + verticalScrollBar()->value();
  if (c < cols_ && r < rows_) SetCurrent(c, r);
}

void DrawGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

void DrawGrid::keyPressEvent(QKeyEvent* event) {
  int c = col_, r = row_;
  switch (event->key()) {
    case Qt::Key_Left: --c; break;
    case Qt::Key_Right: ++c; break;
    case Qt::Key_Up: --r; break;
    case Qt::Key_Down: ++r; break;
    case Qt::Key_PageUp: r -= VisibleRows(); break;
    case Qt::Key_PageDown: r += VisibleRows(); break;
    case Qt::Key_Home: c = 0; break;
    case Qt::Key_End: c = cols_ - 1; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (onDoubleClick) onDoubleClick();
      return;
    default: return QAbstractScrollArea::keyPressEvent(event);
  }
  if (rows_ == 0) return;
  SetCurrent(std::clamp(c, 0, cols_ - 1), std::clamp(r, 0, rows_ - 1));
}

void DrawGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
  if (onResize) onResize();
}

}  // namespace vantrel
