// The image export dialog "画像保存" (TForm2): the loaded drawing rendered
// once more at a chosen size, colour treatment, background, range and pen
// width, previewed, and copied to the clipboard or saved as WMF, EMF or BMP.
// Every change of a choice renders the preview again; the work itself is
// in ImageExport.
#pragma once

#include <QDialog>
#include <QImage>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <optional>

#include "app/ImageExport.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSpinBox;

namespace vantrel {

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  // What the save dialog gave: the name, and whether its second file type
  // was the chosen one.
  struct SaveChoice {
    std::filesystem::path file;
    bool secondType = false;
  };
  // Asks for a file name under the given name filters; empty when the user
  // cancelled. Tests put their own in place of the file dialog.
  using SaveDialog = std::function<std::optional<SaveChoice>(QWidget* parent, const QStringList& filters)>;

  // The drawing is drawn, not changed (but for the arc angles the renderer
  // settles); the view is the detail view's window; detailPicture the
  // detail picture's size in pixels; messages go to reporter.
  TForm2(Drawing& drawing, const ViewState& view, QSize detailPicture, Reporter& reporter,
         QWidget* parent = nullptr);

  // A radio group: the box and its items, item i with id i.
  struct RadioGroup {
    QGroupBox* box = nullptr;
    QButtonGroup* items = nullptr;
    int ItemIndex() const;
  };

  RadioGroup RadioGroup1;  // 画像
  QGroupBox* GroupBox1 = nullptr;  // サイズ
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QSpinBox* UpDown1 = nullptr;  // W, with its edit
  QSpinBox* UpDown2 = nullptr;  // H
  RadioGroup RadioGroup3;  // 色
  QGroupBox* GroupBox2 = nullptr;  // 背景色
  QComboBox* ColorBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  RadioGroup RadioGroup2;  // 範囲
  QGroupBox* GroupBox3 = nullptr;  // ペンサイズ
  QSpinBox* UpDown3 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* Image1 = nullptr;
  SaveDialog SaveDialog1;

  enum class MakeImageFor { Preview, Clipboard, File };

  ExportChoices Choices() const;
  // The last rendering and what the preview shows of it.
  const ExportPicture& Picture() const { return picture_; }
  const QImage& Shown() const { return shown_; }

  void FormShow();
  void MakeImage(MakeImageFor sender);
  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  RadioGroup AddRadioGroup(const QString& caption, const QStringList& items);
  void ColorBox1Change();
  void Changed();

  Drawing& drawing_;
  const ViewState& view_;
  QSize detailPicture_;
  Reporter& reporter_;
  QScrollArea* previewArea_ = nullptr;
  QStringList saveFilters_;
  int colorIndex_ = 0;  // the colour box's last real colour
  bool formShown_ = false;
  ExportPicture picture_;
  QImage shown_;
};

}  // namespace vantrel
