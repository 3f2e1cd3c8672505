// The thumbnail grid of the list tab: its layout (columns from the width,
// rows from the entries), the painting of one cell, and the grid widget
// itself, which scrolls by rows and leaves what a cell shows to its owner.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QRect>
#include <QSize>

#include <functional>

#include "app/LoadSequence.h"

class QPainter;

namespace vantrel {

// At least one column, however narrow the grid.
int GridColumns(int gridWidth, int cellWidth);
int GridRows(int entries, int columns);

// One cell: the title bar with the file name, the list image centred below
// it (clipped to the cell when larger) and a grey frame. entry null, or an
// entry without an image yet, paints white.
void DrawThumbnailCell(QPainter& painter, const QRect& R, const TDxfbmp* entry, bool selected, QSize cell,
                       const QFont& font);

class DrawGrid : public QAbstractScrollArea {
 public:
  explicit DrawGrid(QWidget* parent = nullptr);

  QSize CellSize() const { return cell_; }
  void SetCellSize(QSize cell);
  int ColCount() const { return cols_; }
  int RowCount() const { return rows_; }
  void SetShape(int columns, int rows);
  int Col() const { return col_; }
  int Row() const { return row_; }
  // Moves the selection; onSelect runs when it actually changes and notify
  // is set.
  void SetCurrent(int col, int row, bool notify = true);
  // The width the columns are computed from: the grid without its scroll bar.
  int LayoutWidth() const;
  QRect CellRect(int col, int row) const;  // in viewport coordinates
  void UpdateCell(int col, int row);

  std::function<void(QPainter&, int col, int row, const QRect&, bool selected)> onDrawCell;
  std::function<void()> onSelect;
  std::function<void()> onDoubleClick;
  std::function<void()> onResize;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  int VisibleRows() const;
  void UpdateScrollRange();
  void ScrollToCurrent();

  QSize cell_{200, 160};
  int cols_ = 1;
  int rows_ = 0;
  int col_ = 0;
  int row_ = 0;
};

}  // namespace vantrel
