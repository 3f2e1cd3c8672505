// A load window with a file list and nothing on screen: the command-line
// tool and the benchmarks build list images through it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/LoadSequence.h"

namespace vantrel {

class HeadlessWindow : public LoadWindow {
 public:
  // Lists names (file names inside folder) in the given order; list images
  // get imageSize.
  HeadlessWindow(const std::filesystem::path& folder, std::vector<std::filesystem::path> names,
                 QSize imageSize, Reporter& messages);

  const std::vector<std::u16string>& Row(int row) const { return rows_.at(row); }

  int FileRowCount() const override { return static_cast<int>(rows_.size()); }
  std::u16string FileCell(int col, int row) const override { return rows_.at(row).at(col); }
  void SetFileCell(int col, int row, const std::u16string& text) override { rows_.at(row).at(col) = text; }
  int CurrentFileRow() const override { return 1; }
  void SetStatusPanel(int, const std::u16string&) override {}
  void SetShownFileName(const std::u16string&) override {}
  QSize DetailPictureSize() const override { return imageSize_; }
  void SetDetailPicture(const QImage& picture) override { picture_ = picture; }
  const QImage& DetailPicture() const { return picture_; }
  void FillPanels(const PanelContents&) override {}
  std::filesystem::path FilePath(int row) const override { return folder_ / names_.at(row - 1); }
  QSize GridCellSize() const override { return {imageSize_.width(), imageSize_.height() + 24}; }
  int GridWidth() const override { return imageSize_.width() * 5; }
  void SetGridShape(int, int) override {}
  void RepaintGrid() override {}
  ProgressSink& Progress() override { return progress_; }
  Reporter& Messages() override { return messages_; }
  EventPump& Pump() override { return pump_; }

 private:
  std::filesystem::path folder_;
  std::vector<std::filesystem::path> names_;
  QSize imageSize_;
  std::vector<std::vector<std::u16string>> rows_;
  ProgressCounter progress_;
  Reporter& messages_;
  NoEventPump pump_;
  QImage picture_;
};

// The drawings of a folder as the file list shows them, in its order.
std::vector<std::filesystem::path> DrawingsIn(const std::filesystem::path& folder);

}  // namespace vantrel
